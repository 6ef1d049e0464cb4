#!/bin/bash
# Find my device: Tavrin has COM1 stored, a line where nothing arrives, while
# the device sends on COM7. Configure's Find names COM7, OK moves Tavrin
# there, and the device's text then reaches a focused window.
#
#   find_device_e2e.sh Tavrin.exe tray-driver.exe input-probe.exe artifact-folder
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"

start_serial_scenario "$@"
# COM1 would be the machine's own serial port: a silent line of its own.
socat "pty,raw,echo=0,link=$out/quiet" "pty,raw,echo=0,link=$out/quiet-peer" 2>/dev/null &
started_pids+=($!)
/usr/lib/wine/wine64 reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$out/quiet" /f >/dev/null 2>&1
prepare_port COM7
preset_settings COM1 9600
start_tavrin_with_open_port COM1 9600

open_tray_menu 1 || fail "no menu for Configure"
driver menu-keys down enter
driver wait "#32770" "Configure" 10000 || fail "Configure did not open"

status() { driver texts Configure | sed -n 's/^1022|//p'; }
driver press Configure 1021
started=$(date +%s%N)
# The device keeps sending, as a person pressing keys on it would.
(while :; do printf 'hello ' >"$out/peer"; sleep 0.2; done) &
sender=$!
started_pids+=("$sender")
found="" found_ms="" done_ms=""
for _ in $(seq 150); do
  text=$(status)
  if [ -z "$found_ms" ] && [[ "$text" == "Found the device on"* ]]; then
    found_ms=$((($(date +%s%N) - started) / 1000000))
  fi
  if [[ "$text" == *"rate could not be told"* || "$text" == *"It sends at"* ]]; then
    done_ms=$((($(date +%s%N) - started) / 1000000))
    found="$text"
    break
  fi
  sleep 0.2
done
kill "$sender"
wait "$sender" 2>/dev/null
shot find-my-device
echo "Find named the port after ${found_ms:-?} ms and ended after ${done_ms:-?} ms"
check "status after Find" "Found the device on COM7. Its rate could not be told: choose the rate set on the device." "$found"
check "port selected by Find" "COM7" "$(driver texts Configure | sed -n 's/^1000|//p')"

driver press Configure 1
wait_gone "#32770" "Configure" 10000 || fail "OK did not close Configure"
wait_tooltip "Tavrin: COM7 @ 9600 Baud" 10 "tooltip after OK"
start_probe
printf 'moved' >"$out/peer"
wait_text "moved" "the device's text from COM7"
stop_probe
exit_through_menu
echo "PASS"
