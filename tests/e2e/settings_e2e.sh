#!/bin/bash
# Tavrin.exe as a person meets it, under Wine and Xvfb with a pseudo-terminal
# wired to COM5: the first run in an empty prefix, a device typing into a
# probe window, the device unplugged and plugged back, a restart, and Exit
# putting the port's line settings back.
#
#   settings_e2e.sh Tavrin.exe tray-driver.exe input-probe.exe SHIM_DIR artifact-folder
#
# SHIM_DIR holds lib/<multiarch>/libmodemshim.so (tests/bench/modem_shim.c), which
# lets Wine's serial code work on a pseudo-terminal. Screenshots are kept in
# the artifact folder.
set -uo pipefail

tavrin="$(realpath "$1")"
driver_exe="$(realpath "$2")"
probe_exe="$(realpath "$3")"
shim_dir="$(realpath "$4")"
out="$5"

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"

require_runnable "$tavrin"
command -v socat >/dev/null || { echo "SKIP: socat is not installed" >&2; exit 77; }

# A fresh prefix without settings: this is the program's very first run.
start_display_and_prefix "$out"
line="$out/line"
mkdir -p "$line"
wine64=/usr/lib/wine/wine64

# The line as a device left it before Tavrin: a rate and two stop bits,
# which Tavrin does not use (a pseudo-terminal keeps no parity or data
# bits), so that putting them back shows. Compared in a serial port's terms.
set_original_line() { stty -F "$1" 2400 cstopb -crtscts; }
line_settings() {
  echo "$(stty -F "$line/com" speed) $(stty -F "$line/com" -a | tr ' ;' '\n\n' |
    grep -E '^(-?cs[5-8]|-?parenb|-?parodd|-?cstopb|-?crtscts)$' | paste -sd ' ')"
}
socat_pid=""
# A new pseudo-terminal pair, set to the line settings a device left behind
# before it appears under the names the port and the test use, so that an
# open by the retry timer never sees it half set up.
plug_in() {
  rm -f "$line/com" "$line/device" "$line/com.new" "$line/device.new"
  socat "pty,raw,echo=0,link=$line/com.new" "pty,raw,echo=0,link=$line/device.new" 2>/dev/null &
  socat_pid=$!
  started_pids+=("$socat_pid")
  for _ in $(seq 200); do [ -e "$line/com.new" ] && [ -e "$line/device.new" ] && break; sleep 0.05; done
  [ -e "$line/device.new" ] || fail "socat made no pseudo-terminal pair"
  set_original_line "$line/com.new"
  mv "$line/device.new" "$line/device"
  mv "$line/com.new" "$line/com"
}
unplug() {
  kill "$socat_pid"
  while kill -0 "$socat_pid" 2>/dev/null; do sleep 0.05; done
}
send() { printf '%b' "$1" >"$line/device"; }

plug_in
$wine64 reg add 'HKLM\Software\Wine\Ports' /v COM5 /d "$line/com" /f >/dev/null 2>&1
/usr/lib/wine/wineserver -k >/dev/null 2>&1
/usr/lib/wine/wineserver -w
# The server takes the port's pty as its controlling terminal; unplugging
# then sends it SIGHUP, on which it prints its objects: keep that quiet.
/usr/lib/wine/wineserver -p >/dev/null 2>&1
$wine64 cmd /c exit >/dev/null 2>&1
[ "$(readlink "$WINEPREFIX/dosdevices/com5")" = "$line/com" ] || fail "COM5 is not mapped to the pty"

original="$(line_settings)"
echo "line before Tavrin: $original"

run="$out/run"
rm -rf "$run" && mkdir -p "$run"
cd "$run" || exit 1

start_tavrin() {
  LD_PRELOAD="$shim_dir/\$LIB/libmodemshim.so" $wine64 "$tavrin" &
  tavrin_pid=$!
  started_pids+=("$tavrin_pid")
}

# --- First run: help page, its notice, then Configure.
start_tavrin
driver wait "#32770" "Help" 40000 || fail "no \"Creating Help Files\" box on the first run"
shot first-run-help-box
check "first run's notice" "65535|Creating Help Files" "$(driver texts Help | grep '^65535|')"
for file in "Tavrin Help.html" current.gif menu.gif; do
  [ -s "$file" ] || fail "the first run did not write $file"
done
echo "ok: the first run wrote the help page and both pictures"
driver press Help 1
driver wait "#32770" "Configure" 15000 || fail "no Configure dialog on the first run"
shot_painted first-run-configure
$wine64 "$probe_exe" select Configure 1000 COM5 || fail "cannot select COM5"
$wine64 "$probe_exe" select Configure 1001 5 || fail "cannot select 9600"
driver press Configure 1
wait_gone "#32770" "Configure" 10000 || fail "OK did not close Configure"
wait_tooltip "Tavrin: COM5 @ 9600 Baud" 20 "tooltip"
check "stored port" "COM5" "$($wine64 reg query 'HKCU\Software\Morvane\Tavrin' /v Port 2>/dev/null | tr -d '\r' | awk '/Port/ {print $3}')"
check "line rate while open" "9600" "$(stty -F "$line/com" speed)"

# --- The device types into the window that has the focus.
start_probe

send 'Hello, World'
wait_text "Hello, World" "plain bytes typed as text"
send '\033enter.\033,hold,shift.ab\033,lock,shift.x\033,rel.y'
wait_text "Hello, World
AbXy" "named key, one-shot and latched Shift"
shot typing

# Where a move lands depends on the system's pointer acceleration: only
# that the pointer moved is checked. The clicks land on the empty lower
# right of the screen, away from the tray icon and the probe's text.
probe_mouse() { sed -n '/^--mouse--$/,/^--keys--$/{//!p}' "$probe_out" | tr -d '\r'; }
send '\033,goto,900,700.'
wait_until 5 'probe_mouse | grep -q "^move"' || fail "the pointer did not move to 900,700"
send '\033,click.\033,move,40,-10.\033,click,right.'
wait_until 5 'grep -q "up right" "$probe_out"'
probe_keys() { sed '1,/^--keys--$/d' "$probe_out" | tr -d '\r'; }
check "mouse events seen by the hook" "move|down left|up left|move|down right|up right" \
  "$(probe_mouse | sed 's/^move .*/move/' | uniq | paste -sd '|')"

# --- Unplugged: the tooltip says so; plugged back: the port reopens.
unplug
balloon=""
for _ in $(seq 100); do
  balloon="$(driver tooltips | grep -A1 "Unable to open COM5")" && break
  sleep 0.2
done
shot unplugged
check "balloon after unplugging" $'Unable to open COM5\nPlease check communications settings.' "$balloon"
wait_tooltip "Tavrin: Please configure" 30 "tooltip"
plug_in
wait_tooltip "Tavrin: COM5 @ 9600 Baud" 24 "tooltip"
send ' again'
wait_text "Hello, World
AbXy again" "typing after the port came back"
check "line rate after the reopen" "9600" "$(stty -F "$line/com" speed)"

# The device locks Ctrl and holds the left button down: whatever ends the
# program must let go of both, or every later click is a Ctrl-drag.
# check_ctrl_and_left_button STATE WHEN: waits up to 5 s for both to be in
# STATE (down or up). The probe writes its record on a timer that may fall
# between the key event and the button event, so both are waited for.
check_ctrl_and_left_button() {
  local _
  for _ in $(seq 50); do
    [ "$(probe_keys | tail -1)" = "$1 ctrl" ] && [ "$(probe_mouse | grep -v '^move' | tail -1)" = "$1 left" ] && break
    sleep 0.1
  done
  check "Ctrl $2" "$1 ctrl" "$(probe_keys | tail -1)"
  check "left button $2" "$1 left" "$(probe_mouse | grep -v '^move' | tail -1)"
}
hold_ctrl_and_left_button() {
  send '\033,lock,ctrl.\033,moulock.'
  check_ctrl_and_left_button down "held by the device"
}
check_released() { check_ctrl_and_left_button up "after $1"; }

# --- Exit lets go of what the device holds and puts the line settings
# back. The command is posted as the tray menu posts it: a tray click while
# the device holds the left button would be a drag.
hold_ctrl_and_left_button
driver exit || fail "no Tavrin window to exit"
wait_ended "Exit"
check_released "Exit"
check "line settings after Exit" "$original" "$(line_settings)"

# --- A restart finds the settings and opens the port without a dialog.
start_tavrin
driver wait "#32770" "" 30000 || fail "no splash on the restart"
wait_gone "#32770" "" 10000 || fail "the splash did not close"
# A dialog would show right after the splash; that none does can only be
# waited out.
sleep 2
driver wait "#32770" "" 1 >/dev/null && fail "a dialog showed on the restart"
wait_tooltip "Tavrin: COM5 @ 9600 Baud" 20 "tooltip"
shot restart
send '!'
wait_text "Hello, World
AbXy again!" "typing after the restart"

# --- The end of the Windows session ends the program as Exit does: held
# input let go of, line restored, icon gone, settings kept.
hold_ctrl_and_left_button
ended="$(driver end-session)" || fail "the end of the session was refused or not answered in time: $ended"
check "answer to the end of the session" "query 1" "$(head -1 <<<"$ended")"
took=$(sed -n 's/^ended in \([0-9]*\) ms$/\1/p' <<<"$ended")
echo "the shutdown inside WM_ENDSESSION took ${took:-?} ms"
# Windows ends a program that has not answered WM_ENDSESSION within 5 s
# (HungAppTimeout): the whole shutdown must fit inside that.
check "shutdown at the session end within 5 s" "yes" "$([ -n "$took" ] && [ "$took" -le 5000 ] && echo yes)"
wait_ended "the end of the session"
check_released "the end of the session"
check "line settings after the end of the session" "$original" "$(line_settings)"
# Wine's tray drops the icons of a program that has ended, so whether the
# program removes its own icon is checked by the window tests (ShutDownTest).
check "port kept in the settings" "COM5" "$($wine64 reg query 'HKCU\Software\Morvane\Tavrin' /v Port 2>/dev/null | tr -d '\r' | awk '/Port/ {print $3}')"
echo "PASS"
