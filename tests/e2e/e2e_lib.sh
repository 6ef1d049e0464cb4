# Shared by the scripts that drive Tavrin.exe under Wine (tests/e2e,
# tools/make-help-pictures.sh): a private virtual screen and Wine
# prefix, the tray driver, screenshots and checks. Source it, then call
# require_runnable and start_display_and_prefix.

source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../bench" && pwd)/bench-env.sh"

started_pids=()
BENCH_XVFB_PID=""

fail() {
  echo "FAIL: $*" >&2
  [ -n "${out:-}" ] && shot "failure" 2>/dev/null
  exit 1
}

check() {
  if [ "$2" != "$3" ]; then fail "$1: expected [$2], got [$3]"; fi
  echo "ok: $1: $3"
}

# 77 is ctest's "skipped": 32-bit Windows programs need 32-bit Wine, which
# this kernel may not run.
require_runnable() {
  [ "$(pe_machine "$1")" = "8664" ] && return 0
  if ! can_run_32bit_wine; then
    echo "SKIP: 32-bit Wine cannot run on this kernel" >&2
    exit 77
  fi
}

# Only the started processes that still run are ended: the number of one
# that has ended may belong to another test's process by now (on a 2-core
# machine the kernel hands numbers out again within minutes).
cleanup() {
  local pid running
  running=" $(jobs -pr | tr '\n' ' ') "
  for pid in "${started_pids[@]}"; do
    [[ "$running" == *" $pid "* ]] && kill "$pid" 2>/dev/null
  done
  [ -n "${WINEPREFIX:-}" ] && /usr/lib/wine/wineserver -k >/dev/null 2>&1
  remove_prefix_copy
  stop_private_display
}

# A display of our own and a prefix of our own under folder, so that the
# run disturbs no one and leaves its screenshots behind. The prefix is a
# fresh copy of the build's template prefix (TAVRIN_PREFIX_TEMPLATE, by
# default wineprefix-template beside the folder), removed at the end.
start_display_and_prefix() {
  mkdir -p "$1"
  out="$(realpath "$1")"
  rm -f "$out"/*.png
  export WINEPREFIX="$out/prefix"
  export TAVRIN_PREFIX_TEMPLATE="${TAVRIN_PREFIX_TEMPLATE:-$(dirname "$out")/wineprefix-template}"
  export WINEDEBUG=-all
  # winemenubuilder would copy the prefix's Start menu into the host's.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  rm -rf "$WINEPREFIX"
  trap cleanup EXIT
  start_private_display 160 220 || fail "no free display for Xvfb"
  ensure_wine_prefix
}

# The start of a scenario that needs no serial line, called with the
# script's arguments (Tavrin.exe tray-driver.exe artifact-folder): IrDA
# selected, a fresh run folder as the current one.
start_irda_scenario() {
  tavrin="$(realpath "$1")"
  driver_exe="$(realpath "$2")"
  require_runnable "$tavrin"
  start_display_and_prefix "$3"
  preset_settings IrDA 1200
  rm -rf "$out/run" && mkdir -p "$out/run"
  cd "$out/run" || exit 1
}

# The start of a scenario on a serial line, called with the script's
# arguments (Tavrin.exe tray-driver.exe input-probe.exe artifact-folder):
# the programs, a display and a prefix of its own; skipped without socat.
start_serial_scenario() {
  tavrin="$(realpath "$1")"
  driver_exe="$(realpath "$2")"
  probe_exe="$(realpath "$3")"
  require_runnable "$tavrin"
  command -v socat >/dev/null || { echo "SKIP: no socat" >&2; exit 77; }
  start_display_and_prefix "$4"
}

# Stored settings, so that the run is not a first run with its dialogs:
# preset_settings PORT BAUD [INTERPRETATION, default 1 (ANSI Extended)].
preset_settings() {
  local key='HKCU\Software\Morvane\Tavrin'
  /usr/lib/wine/wine64 reg add "$key" /v Port /t REG_SZ /d "$1" /f >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add "$key" /v Baud /t REG_DWORD /d "$2" /f >/dev/null 2>&1
  /usr/lib/wine/wine64 reg add "$key" /v Interpretation /t REG_DWORD /d "${3:-1}" /f >/dev/null 2>&1
}

# driver COMMAND [ARGUMENT...]: runs a command of the tray driver
# (tests/bench/tray_driver.cpp) and prints what it says. One driver stays
# running and answers the commands one after another ("serve"): a Wine
# process started for each costs a seventh of a second of processor time,
# and a scenario asks hundreds. The script's own shell starts it, again for
# another prefix, screen or language, and after wineserver -k has ended it;
# until then, and for a command it did not answer, a driver runs for the
# one command. Not for a background job: two shells' commands would mix.
driver() {
  local line words reply=()
  if driver_serving || { [ "$BASHPID" = "$$" ] && start_driver; }; then
    printf -v words '%s\x1f' "$@"
    printf '%s\n' "${words%$'\x1f'}" >&"$driver_in"
    while IFS= read -r -u "$driver_out" line; do
      line=${line//$'\r'/}
      if [[ "$line" == *$'\x1e'* ]]; then
        [ -n "${line%%$'\x1e'*}" ] && reply+=("${line%%$'\x1e'*}")
        line=${line#*$'\x1e'}
        [ "$line" = ended ] && break
        [ ${#reply[@]} -gt 0 ] && printf '%s\n' "${reply[@]}"
        return "$line"
      fi
      reply+=("$line")
    done
  fi
  /usr/lib/wine/wine64 "$driver_exe" "$@" 2>/dev/null | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

driver_key=""
driver_starts=0
# What a driver serves: another prefix, screen or language needs another.
driver_env() { printf -v "$1" '%s|%s|%s|%s' "$WINEPREFIX" "$DISPLAY" "${LANG:-}" "${LC_ALL:-}"; }

# The driver serves this prefix, screen and language, and its command pipe
# is still there: the subshell around it removes the pipe once it has ended.
# A file, unlike a process number, tells that in any shell and cannot be
# handed to another process.
driver_serving() {
  local now
  driver_env now
  [ -n "$driver_key" ] && [ "$driver_key" = "$now" ] && [ -p "$driver_pipe" ]
}

# The driver reads its commands from one pipe and answers in another; the
# subshell around it then says "ended" there, so that a reader never waits
# for an answer that cannot come. Each start has pipes of its own.
start_driver() {
  local pipe="$out/driver-$((driver_starts += 1))"
  [ -n "$driver_key" ] && exec {driver_in}>&- {driver_out}<&-
  driver_key=""
  # A run ended by its cleanup leaves its last command pipe behind.
  rm -f "$pipe.in" "$pipe.out"
  mkfifo "$pipe.in" "$pipe.out" || return 1
  # Opened to read and write, the pipe needs no reader yet, and a command
  # written after the driver has ended does not end this shell.
  exec {driver_in}<>"$pipe.in"
  # It runs in / : Wine keeps a process's current folder open, and a
  # scenario's folder may have to be removed while the driver runs.
  ( cd / && /usr/lib/wine/wine64 "$driver_exe" serve <"$pipe.in" 2>/dev/null
    rm -f "$pipe.in"
    printf '\x1eended\n' ) >"$pipe.out" &
  started_pids+=($!)
  exec {driver_out}<"$pipe.out"
  rm -f "$pipe.out"
  driver_pipe="$pipe.in"
  driver_env driver_key
}

shot() { xwd -root -display "$DISPLAY" | convert xwd:- "$out/$1.png"; }

# wait_gone CLASS TITLE MS: succeeds as soon as no such window shows; fails
# when one still shows after MS, or when the driver itself fails.
wait_gone() { driver gone "$1" "$2" "$3" >/dev/null; }

# The centre of the first icon in Wine's tray window, in X coordinates;
# with "empty", a point of the tray window beside the icons; with "origin",
# the top left corner of the window inside its frame. xdotool and
# xwininfo end with BadWindow when a window they walk past goes away (a
# box that closes, a menu), so the lookup is tried until it answers, 5 s
# at most.
tray_icon_point() {
  local _
  for _ in $(seq 25); do
    tray_point_once "${1:-}" 2>/dev/null && return 0
    sleep 0.2
  done
  return 1
}

tray_point_once() {
  local id X Y WIDTH HEIGHT
  id=$(xdotool search --name "Wine System Tray" | head -1)
  [ -n "$id" ] || return 1
  # xdotool counts the window manager's frame twice in the position of a
  # framed window; xwininfo tells where it is.
  read -r X Y WIDTH HEIGHT <<<"$(xwininfo -id "$id" | awk '/Absolute upper-left X/ {x = $NF}
    /Absolute upper-left Y/ {y = $NF} /^ *Width:/ {w = $NF} /^ *Height:/ {h = $NF} END {print x, y, w, h}')"
  [ -n "$HEIGHT" ] || return 1
  if [ "$1" = empty ]; then
    echo "$((X + WIDTH - HEIGHT / 2)) $((Y + HEIGHT / 2))"
  elif [ "$1" = origin ]; then
    echo "$X $Y"
  else
    echo "$((X + HEIGHT / 2)) $((Y + HEIGHT / 2))"
  fi
}

# The tooltip control sees the mouse only inside the tray window: it must
# pass over an empty part of it before the icon's tip shows again.
tray_tooltip() {
  local point tip _
  point=$(tray_icon_point) || return 1
  # shellcheck disable=SC2086
  xdotool mousemove $(tray_icon_point empty)
  # Nothing tells when Wine has handed the move to the tooltip control: half
  # a second is ample for it.
  sleep 0.5
  # shellcheck disable=SC2086
  xdotool mousemove $point
  for _ in $(seq 20); do
    tip=$(driver tooltip) && [ -n "$tip" ] && { echo "$tip"; return 0; }
    sleep 0.2
  done
  return 1
}

# Waits up to $2 half-seconds for the tray icon's tooltip to read $1; $3
# names the check. The text is read from the tray's tooltip control, as a
# hover would show it (tray_tooltip hovers).
wait_tooltip() {
  local tip="" _
  for _ in $(seq "$2"); do
    tip=$(driver tips)
    [ "$tip" = "$1" ] && break
    sleep 0.5
  done
  check "$3" "$1" "$tip"
}

open_tray_menu() {
  local point
  point=$(tray_icon_point) || return 1
  # shellcheck disable=SC2086
  xdotool mousemove $point click "$1"
  driver wait "#32768" "" 5000
}

# A serial line for a port (prepare_port COM23): a pair of linked
# pseudo-terminals, one end mapped to that port of the prefix, and the
# bench's modem-line shim that Wine's serial code needs on a pty. The device
# writes to $out/peer. Call after start_display_and_prefix.
prepare_port() {
  local root
  root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
  shim="$out/shim"
  mkdir -p "$shim/lib/x86_64-linux-gnu"
  gcc -shared -fPIC -O2 -o "$shim/lib/x86_64-linux-gnu/libmodemshim.so" \
    "$root/tests/bench/modem_shim.c" -ldl || fail "the modem shim did not build"
  start_line
  /usr/lib/wine/wine64 reg add 'HKLM\Software\Wine\Ports' /v "$1" /d "$out/port" /f >/dev/null 2>&1
  # The server reads the port map when it starts. Its output is discarded:
  # a pty that goes away makes it print its objects.
  /usr/lib/wine/wineserver -k >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
  /usr/lib/wine/wineserver -p >/dev/null 2>&1
}

start_line() {
  local _
  rm -f "$out/port" "$out/peer"
  socat "pty,raw,echo=0,link=$out/port" "pty,raw,echo=0,link=$out/peer" 2>/dev/null &
  line_pid=$!
  started_pids+=("$line_pid")
  for _ in $(seq 100); do [ -e "$out/port" ] && return 0; sleep 0.05; done
  fail "socat made no pty pair"
}

# The device goes away: the pty pair ends.
end_line() {
  kill "$line_pid" 2>/dev/null
  while kill -0 "$line_pid" 2>/dev/null; do sleep 0.05; done
}

# Starts Tavrin.exe in the current folder with the shim when there is one,
# with the arguments given.
start_tavrin() {
  if [ -n "${shim:-}" ]; then
    LD_PRELOAD="$shim/\$LIB/libmodemshim.so" /usr/lib/wine/wine64 "$tavrin" "$@" &
  else
    /usr/lib/wine/wine64 "$tavrin" "$@" &
  fi
  tavrin_pid=$!
  started_pids+=("$tavrin_pid")
}

# Waits up to 10 s for Tavrin to end after $1 (Exit, say) and checks its
# exit code.
wait_ended() {
  local _
  for _ in $(seq 100); do kill -0 "$tavrin_pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$tavrin_pid" 2>/dev/null && fail "$1 did not end the program"
  wait "$tavrin_pid"
  check "exit code after $1" "0" "$?"
}

# Chooses Exit from the tray menu and checks the exit code.
exit_through_menu() {
  open_tray_menu 1 || fail "no menu for Exit"
  driver menu-keys up enter
  wait_ended "Exit"
}

# Starts Tavrin.exe with a port on a pseudo-terminal
# (start_tavrin_on_port PORT BAUD [INTERPRETATION [FOLDER]]), waits out the
# splash and checks the open port's tooltip. It runs in FOLDER, or in a fresh
# run folder when none is given.
start_tavrin_on_port() {
  prepare_port "$1"
  preset_settings "$1" "$2" "${3:-1}"
  start_tavrin_with_open_port "$1" "$2" "${4:-}"
}

# The same without stored settings, for a port already prepared:
# start_tavrin_with_open_port PORT BAUD [FOLDER]. The tooltip tells that the
# program opened PORT at BAUD, wherever it found them: in English, or as
# $port_tooltip says where the caller runs Tavrin in another language.
start_tavrin_with_open_port() {
  if [ -n "${3:-}" ]; then
    cd "$3" || exit 1
  else
    rm -rf "$out/run" && mkdir -p "$out/run"
    cd "$out/run" || exit 1
  fi
  start_tavrin
  driver wait "#32770" "" 30000 || fail "the splash did not show"
  wait_gone "#32770" "" 10000 || fail "the splash did not close"
  wait_tooltip "${port_tooltip:-Tavrin: $1 @ $2 Baud}" 10 "tooltip of the open port"
}

# The probe window of tests/bench/input_probe.cpp ($probe_exe), which takes the
# focus and records what is typed into it in $out/probe.txt:
# start_probe [MODE], MODE window (the default) or unicode-window.
start_probe() {
  local _
  probe_out="$out/probe.txt"
  rm -f "$probe_out"
  /usr/lib/wine/wine64 "$probe_exe" "${1:-window}" "$(printf 'Z:%s' "${probe_out//\//\\}")" &
  probe_pid=$!
  started_pids+=("$probe_pid")
  for _ in $(seq 100); do [ -s "$probe_out" ] && break; sleep 0.1; done
  [ -s "$probe_out" ] || fail "the probe window did not start"
  # Every window of input-probe has a title "Tavrin ...".
  wait_focused "Tavrin *"
}

# Waits up to 5 s for the window manager to give the focus to a window whose
# title matches the pattern $1: what the device types goes there.
wait_focused() {
  local pattern="$1"
  wait_until 5 '[[ "$(xdotool getactivewindow getwindowname 2>/dev/null)" == $pattern ]]' ||
    fail "the focus is on [$(xdotool getactivewindow getwindowname 2>/dev/null)], not on $pattern"
}

# A dialog draws itself after it shows, and nothing tells when it is done:
# a screenshot of it (shot_painted NAME) waits a second first.
shot_painted() {
  sleep 1
  shot "$1"
}

# Ends the probe, which otherwise holds the folder it started in.
stop_probe() {
  kill "$probe_pid" 2>/dev/null
  wait "$probe_pid" 2>/dev/null
}

probe_text() { sed '/^--mouse--$/,$d' "$probe_out" | tr -d '\r'; }

now_ms() { echo $(($(date +%s%N) / 1000000)); }
probe_section() { sed -n "/^--$1--\$/,/^--/p" "$probe_out" | grep -v '^--' | tr -d '\r'; }
# Waits up to $2 ms for a line $1 among the probe's mouse and key records.
wait_record() {
  local deadline=$(($(now_ms) + $2))
  while [ "$(now_ms)" -lt "$deadline" ]; do
    grep -qx "$1" <(probe_section mouse; probe_section keys) && return 0
    sleep 0.05
  done
  return 1
}
moves() { probe_section mouse | grep -c '^move'; }

# Starts the probe, and the device locks Ctrl and the left button and starts
# a glide, then sends $1 (half a sequence, say).
hold_everything_on_the_probe() {
  start_probe
  # The device's button goes down where the pointer is: on the probe, not on
  # the tray icon, where the release would open the menu.
  xdotool mousemove 350 250
  printf '\033,lock,ctrl.\033,moulock.\033,mougo,right,2.%b' "${1:-}" >"$out/peer"
  wait_record "down ctrl" 5000 || fail "Ctrl was not locked"
  wait_record "down left" 5000 || fail "the left button was not locked"
  wait_until 5 '[ "$(moves)" -gt 0 ]' || fail "the glide did not move the pointer"
}

# Waits up to 5 s for the probe's text to become $1; $2 names the check.
wait_text() {
  local _
  for _ in $(seq 50); do [ "$(probe_text)" = "$1" ] && break; sleep 0.1; done
  check "$2" "$1" "$(probe_text)"
}

# start_tavrin_on_com1 [FOLDER]: COM1 at 1200 baud, ANSI.
start_tavrin_on_com1() { start_tavrin_on_port COM1 1200 1 "${1:-}"; }
