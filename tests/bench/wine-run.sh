#!/bin/bash
# Runs a Windows program of ours under Wine with the test bench's environment.
#
#   tests/bench/wine-run.sh program.exe [args...]
#
# WINEPREFIX  the prefix to use (made on first use); when unset, a copy of
#             the template prefix TAVRIN_PREFIX_TEMPLATE (default
#             build/wineprefix-template, booted on first use), removed after
#             the run
#
# The program runs on a private Xvfb with a window manager, started for this
# run, so that runs side by side take neither focus nor input from another.
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
export WINELOADER=/usr/lib/wine/wine64
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ -z "${WINEPREFIX:-}" ]; then
  export TAVRIN_PREFIX_TEMPLATE="${TAVRIN_PREFIX_TEMPLATE:-$root/build/wineprefix-template}"
  mkdir -p "$(dirname "$TAVRIN_PREFIX_TEMPLATE")"
  export WINEPREFIX="$(mktemp -d "$TAVRIN_PREFIX_TEMPLATE-run.XXXXXX")"
  BENCH_PREFIX_COPY="$WINEPREFIX"
fi

cleanup() {
  remove_prefix_copy
  stop_private_display
}
trap cleanup EXIT
# A caller that has started the prefix's session on a display of its own
# (serial-bench.sh) says so; otherwise the run gets one of its own.
if [ -z "${TAVRIN_BENCH_DISPLAY:-}" ]; then
  start_private_display 91 140 || { echo "wine-run: no free display for Xvfb" >&2; exit 1; }
fi
ensure_wine_prefix

"$loader" "$exe" "$@"
