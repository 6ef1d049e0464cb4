#!/bin/bash
# The device handed over between the person's Tavrin and a Tavrin started
# with /securedesktop, both on COM1 at 115200 baud. While the device holds
# Ctrl, the left button and a glide, the secure-desktop Tavrin starts: the
# person's Tavrin must let go within 500 ms of its claim, Ctrl and the button
# up and the glide stopped, and its tooltip must say so; the secure one types
# the device's text, and a second one ends at once. Killed without warning,
# it leaves the port to the person's Tavrin, which must type again within
# 2 s.
#
#   hand_over_e2e.sh Tavrin.exe tray-driver.exe input-probe.exe artifact-folder
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"

port=COM1
baud=115200
start_serial_scenario "$@"
start_tavrin_on_port "$port" "$baud"
person_pid=$tavrin_pid
/usr/lib/wine/wine64 reg add 'HKLM\Software\Morvane\Tavrin\SignIn' /v Port /d "$port" /f >/dev/null 2>&1
/usr/lib/wine/wine64 reg add 'HKLM\Software\Morvane\Tavrin\SignIn' /v Baud /t REG_DWORD /d "$baud" /f >/dev/null 2>&1
hold_everything_on_the_probe

# Straight to the file: a pipe would hold "watching" back until the end.
/usr/lib/wine/wine64 "$driver_exe" hand-over 30000 >"$out/hand-over.txt" 2>/dev/null &
timer_pid=$!
wait_until 10 'grep -q watching "$out/hand-over.txt"' || fail "the driver did not watch the claim"
start_tavrin /securedesktop
secure_pid=$tavrin_pid
wait "$timer_pid" || fail "Ctrl and the button were not let go of within 2 s of the claim: $(cat "$out/hand-over.txt")"
let_go=$(tr -d '\r' <"$out/hand-over.txt" | sed -n 's/^let go \(-\?[0-9]*\) ms after the claim$/\1/p')
echo "the person's Tavrin let go of Ctrl and the button $let_go ms after the claim"
check "let go within 500 ms of the claim" yes "$([ "$let_go" -le 500 ] && echo yes)"
# The probe writes its records every 100 ms, in the order the events came:
# once the button's release shows, so do the glide's moves made before it.
wait_record "up left" 2000 || fail "the probe shows no release of the left button"
before=$(moves)
sleep 1
check "pointer moves in the second after the hand-over" "$before" "$(moves)"
wait_tooltip "Tavrin: The secure desktop is using the device" 20 "tooltip while the secure desktop has the device"
printf 'sec' >"$out/peer"
wait_text "sec" "the device's text typed by the secure-desktop Tavrin"
shot handed-over
start_tavrin /securedesktop
wait_until 10 '! kill -0 "$tavrin_pid" 2>/dev/null' || fail "a second secure-desktop Tavrin kept running"

kill -9 "$secure_pid"
killed_at=$(now_ms)
{ wait "$secure_pid"; } 2>/dev/null
typed_at=""
# The port is emptied when it opens: the device keeps sending until a
# character arrives.
for _ in $(seq 100); do
  printf 'x' >"$out/peer"
  [[ "$(probe_text)" == secx* ]] && typed_at=$(now_ms) && break
  sleep 0.05
done
[ -n "$typed_at" ] || fail "the person's Tavrin typed nothing within 5 s of the kill"
echo "the person's Tavrin typed again $((typed_at - killed_at)) ms after the secure-desktop one was killed"
check "typing again within 2 s of the kill" yes "$([ $((typed_at - killed_at)) -le 2000 ] && echo yes)"
wait_tooltip "Tavrin: $port @ $baud Baud" 20 "tooltip after the device came back"
kill -0 "$person_pid" || fail "the person's Tavrin has ended"
echo "PASS"
