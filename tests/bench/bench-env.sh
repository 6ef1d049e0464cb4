# Sourced by the scripts that run our Windows programs under Wine: telling
# a program's bitness, a private virtual screen, a Wine prefix made on
# first use.

# The PE machine field of a Windows program: 014c (32-bit) or 8664 (64-bit).
pe_machine() {
  local offset
  offset=$(od -An -tu4 -j 60 -N4 "$1" | tr -d ' ')
  od -An -tx2 -j $((offset + 4)) -N2 "$1" | tr -d ' '
}

# 32-bit Wine is a 32-bit Linux program, which some kernels cannot execute.
can_run_32bit_wine() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Starts Xvfb on the first free display numbered from $1 to $2 and exports
# DISPLAY; BENCH_XVFB_PID is the server the caller stops. BENCH_SCREEN sets
# its size (default 1024x768x24).
start_private_display() {
  local n
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "${BENCH_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 &
    BENCH_XVFB_PID=$!
    export DISPLAY=":$n"
    sleep 1
    kill -0 "$BENCH_XVFB_PID" 2>/dev/null && return 0
  done
  return 1
}

# Makes $WINEPREFIX on its first use; the first start takes some seconds.
ensure_wine_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  mkdir -p "$WINEPREFIX"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
}

# One virtual screen and one Wine prefix for a whole test run.
start_bench_display() {
  export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  if [ -z "${DISPLAY:-}" ]; then
    start_private_display 91 140
    trap stop_bench_display EXIT
  fi
}

stop_bench_display() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  [ -n "${BENCH_XVFB_PID:-}" ] && kill "$BENCH_XVFB_PID" 2>/dev/null || true
}
