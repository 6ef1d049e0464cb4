#!/bin/bash
# Runs a Windows program of ours under Wine with the test bench's environment.
#
#   tools/wine-run.sh program.exe [args...]
#
# WINEPREFIX  the prefix to use (default: build/wineprefix, made on first use)
# DISPLAY     the X display; when unset a private Xvfb is started for this run
#
# Exits 77 (the tests' "skipped" code) when the program is 32-bit and this
# kernel cannot execute 32-bit Linux programs, which 32-bit Wine needs.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(dirname "$here")"
exe="$1"; shift

pe_machine() {
  local offset
  offset=$(od -An -tu4 -j 60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j $((offset + 4)) -N2 "$1" | tr -d ' '
}

can_run_32bit_elf() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

case "$(pe_machine "$exe")" in
  014c)
    if ! can_run_32bit_elf; then
      echo "SKIP: this kernel cannot run 32-bit Linux programs, so 32-bit Wine cannot start $exe" >&2
      exit 77
    fi
    loader=/usr/lib/wine/wine ;;
  8664) loader=/usr/lib/wine/wine64 ;;
  *) echo "wine-run: $exe is not a Windows program" >&2; exit 2 ;;
esac

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINELOADER=/usr/lib/wine/wine64
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    sleep 1
    break
  done
fi
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; }
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi

"$loader" "$exe" "$@"
