# Sourced by the test scripts: a private virtual screen and Wine prefix.

start_bench_display() {
  export WINEPREFIX="${WINEPREFIX:-$PWD/build/wineprefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  if [ -z "${DISPLAY:-}" ]; then
    local n
    for n in $(seq 91 140); do
      [ -e "/tmp/.X$n-lock" ] && continue
      Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
      BENCH_XVFB_PID=$!
      export DISPLAY=":$n"
      sleep 1
      break
    done
    trap stop_bench_display EXIT
  fi
}

stop_bench_display() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  [ -n "${BENCH_XVFB_PID:-}" ] && kill "$BENCH_XVFB_PID" 2>/dev/null || true
}
