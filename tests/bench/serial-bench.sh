#!/bin/bash
# Runs a Windows program of ours against a real serial line under Wine: a pair
# of linked pseudo-terminals, one end mapped to a COM port of a private Wine
# prefix, the other end left to the program.
#
#   tests/bench/serial-bench.sh SHIM_DIR program.exe [args...]
#
# SHIM_DIR holds lib/<multiarch>/libmodemshim.so (tests/bench/modem_shim.c), preloaded
# into Wine so that its serial code works on a pseudo-terminal.
#
# The program finds the bench in its environment:
#   TAVRIN_SERIAL_PORT   the COM port mapped to one end ("COM5")
#   TAVRIN_SERIAL_QUIET  two more ports ("COM6 COM7"), each on a line of its
#                        own that nothing writes to: the silent ports beside
#                        the line for a search over several
#   TAVRIN_SERIAL_PEER   the other end, as a Windows path (Z:\...): what is
#                        written there arrives at the port
#   TAVRIN_SERIAL_BENCH  the bench's control folder, as a Windows path. The
#                        program writes a command into "command" (write
#                        "command.tmp", then rename it); this script carries it
#                        out, leaves its output in "reply" and deletes
#                        "command". Commands:
#                          hangup   the line goes away (the pty pair is ended)
#                          connect  a line is there (a new pair if it went away)
#                          stty     reply is `stty -a` of the port's end
#
# The prefix is a copy of the template prefix (tests/bench/bench-env.sh) of
# this run's own, removed after it, so mapping the port and restarting its
# wineserver disturbs no other test.
#
# Exits 77 (skipped) where the bench cannot run: a 32-bit program on a kernel
# that cannot run 32-bit Wine, or no socat.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
shim_dir="$(cd "$1" && pwd)"
exe="$2"
shift 2

port=COM5
quiet_ports=(COM6 COM7)
quiet_pids=()
wine64=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
source "$here/bench-env.sh"

if [ "$(pe_machine "$exe")" = 014c ] && ! can_run_32bit_wine; then
  echo "SKIP: this kernel cannot run 32-bit Linux programs, so 32-bit Wine cannot start $exe" >&2
  exit 77
fi
if ! command -v socat >/dev/null; then
  echo "SKIP: socat is not installed" >&2
  exit 77
fi

export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export TAVRIN_PREFIX_TEMPLATE="${TAVRIN_PREFIX_TEMPLATE:-$root/build/wineprefix-template}"
mkdir -p "$(dirname "$TAVRIN_PREFIX_TEMPLATE")"
export WINEPREFIX="$(mktemp -d "$TAVRIN_PREFIX_TEMPLATE-serial.XXXXXX")"
BENCH_PREFIX_COPY="$WINEPREFIX"
bench="$WINEPREFIX/serial-bench"
# Where each port leads: the line, the quiet lines, and nowhere for COM1 to
# COM4, which a new prefix maps to the machine's own serial ports (its
# console among them), so that a search over every port leaves those alone.
declare -A targets=([$port]="$bench/com" [COM6]="$bench/com6" [COM7]="$bench/com7"
                    [COM1]="$bench/absent" [COM2]="$bench/absent" [COM3]="$bench/absent" [COM4]="$bench/absent")

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

socat_pid() { cat "$bench/socat.pid" 2>/dev/null; }

end_line() {
  local pid
  pid=$(socat_pid)
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null
    while kill -0 "$pid" 2>/dev/null; do sleep 0.01; done
  fi
  rm -f "$bench/socat.pid"
}

start_line() {
  local pid tries
  pid=$(socat_pid)
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null && return 0
  rm -f "$bench/com" "$bench/peer"
  socat "pty,raw,echo=0,link=$bench/com" "pty,raw,echo=0,link=$bench/peer" 2>/dev/null &
  echo $! >"$bench/socat.pid"
  for tries in $(seq 500); do
    [ -e "$bench/com" ] && [ -e "$bench/peer" ] && return 0
    sleep 0.01
  done
  echo "serial-bench: socat made no pty pair" >&2
  return 1
}

serve_commands() {
  local command
  while :; do
    if [ -e "$bench/command" ]; then
      command=$(cat "$bench/command")
      case "$command" in
        hangup) end_line; echo ok ;;
        connect) start_line && echo ok ;;
        stty) stty -F "$bench/com" -a ;;
        *) echo "unknown command: $command" ;;
      esac >"$bench/reply.tmp" 2>&1
      mv -f "$bench/reply.tmp" "$bench/reply"
      rm -f "$bench/command"
    fi
    sleep 0.02
  done
}

# The quiet lines live as long as the run.
start_quiet_lines() {
  local p
  for p in "${quiet_ports[@]}"; do
    socat "pty,raw,echo=0,link=${targets[$p]}" "pty,raw,echo=0,link=${targets[$p]}-peer" 2>/dev/null &
    quiet_pids+=($!)
  done
}

ports_mapped() {
  local p
  for p in "${!targets[@]}"; do [ "$(readlink "$WINEPREFIX/dosdevices/${p,,}")" = "${targets[$p]}" ] || return 1; done
}

cleanup() {
  [ -n "${commands_pid:-}" ] && kill "$commands_pid" 2>/dev/null
  for pid in "${quiet_pids[@]}"; do kill "$pid" 2>/dev/null; done
  end_line
  # The prefix is ours alone: its server and the copy go with the run.
  remove_prefix_copy
  stop_private_display
}
trap cleanup EXIT
trap 'exit 143' TERM INT

# The display comes first: the prefix's first Wine process starts its
# desktop (explorer.exe), which keeps the display it found for the whole
# session. Started without one, it left the test program unable to create
# a single window on some runs. wine-run.sh uses this display.
start_private_display 91 140 || { echo "serial-bench: no free display for Xvfb" >&2; exit 1; }
export TAVRIN_BENCH_DISPLAY=1
ensure_wine_prefix
mkdir -p "$bench"

# Wine creates dosdevices/com5 from the Ports key when the prefix starts.
if ! ports_mapped; then
  for p in "${!targets[@]}"; do
    "$wine64" reg add 'HKLM\Software\Wine\Ports' /v "$p" /d "${targets[$p]}" /f >/dev/null 2>&1
  done
  "$wineserver" -k >/dev/null 2>&1
  "$wineserver" -w
fi

start_line || exit 1
start_quiet_lines
serve_commands &
commands_pid=$!

# The server opens the port's pty as its controlling terminal, so ending the
# line sends it SIGHUP, on which it dumps its objects to stderr: start it
# here with its output discarded.
"$wineserver" -p >/dev/null 2>&1

if ! ports_mapped; then
  "$wine64" cmd /c exit >/dev/null 2>&1
  if ! ports_mapped; then
    echo "serial-bench: the ports of $WINEPREFIX are not mapped into $bench" >&2
    exit 1
  fi
fi

export TAVRIN_SERIAL_PORT="$port"
export TAVRIN_SERIAL_QUIET="${quiet_ports[*]}"
export TAVRIN_SERIAL_PEER="$(windows_path "$bench/peer")"
export TAVRIN_SERIAL_BENCH="$(windows_path "$bench")"
LD_PRELOAD="$shim_dir/\$LIB/libmodemshim.so" "$here/wine-run.sh" "$exe" "$@"
