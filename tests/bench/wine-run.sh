#!/bin/bash
# Runs a Windows program of ours under Wine with the test bench's environment.
#
#   tests/bench/wine-run.sh program.exe [args...]
#
# WINEPREFIX  the prefix to use (default: build/wineprefix, made on first use)
# DISPLAY     the X display; when unset a private Xvfb is started for this run
#
# Exits 77 (the tests' "skipped" code) when the program is 32-bit and this
# kernel cannot execute 32-bit Linux programs, which 32-bit Wine needs.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
exe="$1"; shift

source "$here/bench-env.sh"

case "$(pe_machine "$exe")" in
  014c)
    if ! can_run_32bit_wine; then
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

BENCH_XVFB_PID=""
[ -z "${DISPLAY:-}" ] && start_private_display 91 140
cleanup() { [ -n "$BENCH_XVFB_PID" ] && kill "$BENCH_XVFB_PID" 2>/dev/null; }
trap cleanup EXIT

ensure_wine_prefix

# The bench has no window manager, and Wine waits 2 s for one whenever a
# window it leaves to the manager (a dialog, a message box) goes away. The
# test programs' windows are placed and removed by Wine itself instead.
if [ ! -f "$WINEPREFIX/.bench-unmanaged" ]; then
  /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
    touch "$WINEPREFIX/.bench-unmanaged"
fi

"$loader" "$exe" "$@"
