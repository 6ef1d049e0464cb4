#!/bin/bash
# Tavrin.exe with COM1 on a pseudo-terminal: the device is unplugged (the
# pty pair ends) and plugged in again, and the tray follows.
#
#   shell_serial_e2e.sh Tavrin.exe tray-driver.exe artifact-folder
set -uo pipefail

tavrin="$(realpath "$1")"
driver_exe="$(realpath "$2")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"

require_runnable "$tavrin"
command -v socat >/dev/null || { echo "SKIP: no socat" >&2; exit 77; }
start_display_and_prefix "$3"
start_tavrin_on_com1

# The About box echoes what the device sends: a plain byte alone, then an
# escape sequence as it builds up (the key it names lands in the About box,
# where F5 does nothing).
open_tray_menu 1 || fail "no menu for About"
driver menu-keys down down enter
driver wait "#32770" "" 10000 || fail "About did not open"
monitor_shows() {
  local _ text
  for _ in $(seq 25); do
    text=$(driver texts "" | sed -n 's/^1016|//p')
    [ "$text" = "$1" ] && break
    sleep 0.2
  done
  check "About's monitor after the device sent $2" "$1" "$text"
}
printf 'a' >"$out/peer"
monitor_shows "a" "a"
printf '\033f5.' >"$out/peer"
monitor_shows "<esc>f5." "ESC f5 ."
shot about-monitor
driver press "" 1
wait_gone "#32770" "" 10000 || fail "OK did not close About"

# Unplugged: the balloon names the port and the tooltip asks to configure.
end_line
balloon=""
for _ in $(seq 50); do
  balloon=$(driver tooltips | grep -A1 "Unable to open COM1") && break
  sleep 0.2
done
shot balloon
check "failure balloon" $'Unable to open COM1\nPlease check communications settings.' "$balloon"
check "tooltip after the failure" "Tavrin: Please configure" "$(tray_tooltip)"

# Plugged in again: within one retry period the port is open again.
start_line
back_at=$(date +%s)
wait_tooltip "Tavrin: COM1 @ 1200 Baud" 20 "tooltip after the port came back"
echo "the port was back in the tooltip $(($(date +%s) - back_at)) s after the line"

exit_through_menu
echo "PASS"
