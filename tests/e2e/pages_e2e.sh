#!/bin/bash
# Tavrin.exe with its device on COM24, working a scrollable list the way a
# "computer access" page does: the wheel scrolls it by the notches sent,
# ,goto puts the pointer on an entry and a click selects that entry, and a
# ,wait holds back what follows for its time, with every byte the device
# sends meanwhile typed afterwards, in order; Exit during a long pause
# does not wait for it.
#
#   pages_e2e.sh Tavrin.exe tray-driver.exe input-probe.exe artifact-folder
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"

port=COM24
start_serial_scenario "$@"
start_tavrin_on_port "$port" 115200

start_probe list
field() { sed -n "s/^$1 //p" "$probe_out" | head -1 | tr -d '\r'; }
send() { printf '%b' "$1" >"$out/peer"; }
# Waits up to 5 s for field $1 to read $2; $3 names the check.
wait_field() {
  local _
  for _ in $(seq 50); do [ "$(field "$1")" = "$2" ] && break; sleep 0.1; done
  check "$3" "$2" "$(field "$1")"
}

read -r left top right bottom <<<"$(field rect)"
item=$(field item)
lines=$(field wheellines)
[ -n "$item" ] && [ "$lines" -gt 0 ] || fail "the probe did not describe its list"
check "list starts at its first entry" "0" "$(field top)"

# The wheel goes to the window under the pointer (or the focus): both are
# the list.
x=$((left + 40))
send "\033,goto,$x,$((top + 5)).\033,scroll,down,3."
wait_field top "$((3 * lines))" "three notches down scroll the list by three wheel steps"
send "\033,scroll,up."
wait_field top "$((2 * lines))" "one notch up scrolls it back by one step"
shot scrolled

# The fifth entry shown, pointed at and clicked.
row=4
send "\033,goto,$x,$((top + row * item + item / 2)).\033,click."
wait_field selected "$((2 * lines + row))" ",goto and ,click select the entry under the pointer"

# a, a pause of 500 ms, b; c d e arrive while the pause runs.
keys_seen() { sed '1,/^--keys--$/d' "$probe_out" | wc -l; }
send "a\033,wait,500.b"
wait_until 5 '[ "$(keys_seen)" -ge 1 ]' || fail "a was not typed"
send "cde"
wait_until 5 '[ "$(keys_seen)" -ge 5 ]'
keys=$(sed '1,/^--keys--$/d' "$probe_out" | tr -d '\r')
check "letters in order after the pause" "0x41 0x42 0x43 0x44 0x45" "$(awk '{print $2}' <<<"$keys" | paste -sd' ')"
gap=$(awk 'NR == 1 {a = $3} NR == 2 {print $3 - a}' <<<"$keys")
[ "$gap" -ge 500 ] || fail "a and b were $gap ms apart, less than the pause of 500 ms"
echo "ok: a and b $gap ms apart"
shot clicked

stop_probe

# Exit in the middle of a long pause: the reader's stop ends the pause at
# once instead of waiting it out (or terminating the reader after 3 s).
# Under Wine an Exit takes about 0.6 s to the end of the process without
# any pause; a stop that waited would take at least 3 s more.
send "\033,wait,5000."
# The pause shows nothing when it begins: 0.3 s is ample for its bytes.
sleep 0.3
open_tray_menu 1 || fail "no menu for Exit"
start_ms=$(date +%s%3N)
driver menu-keys up enter
wait_ended "Exit during a pause"
exit_ms=$(($(date +%s%3N) - start_ms))
[ "$exit_ms" -lt 3000 ] || fail "Exit during a 5 s pause took $exit_ms ms"
echo "ok: Exit during a 5 s pause took $exit_ms ms"
echo "PASS"
