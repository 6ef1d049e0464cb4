#!/bin/bash
# Tavrin.exe with its device on COM23 and the Unicode (UTF-8) setting: text
# the device sends as UTF-8 (accents, the euro sign, Cyrillic and a
# character beyond U+FFFF) arrives exactly in a focused Unicode window, and
# so does text typed after the device turned Caps Lock on.
#
#   unicode_e2e.sh Tavrin.exe tray-driver.exe input-probe.exe artifact-folder
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"

port=COM23
start_serial_scenario "$@"
start_tavrin_on_port "$port" 9600 2

start_probe unicode-window
text='café €ж😀!'
printf '%s' "$text" >"$out/peer"
wait_text "$text" "UTF-8 from the device on $port in a Unicode window"
shot unicode-text

# The device's own capslock key turns Caps Lock on; the letters after it
# arrive as sent, and a second press turns it off again.
printf '\033capslock.Hello World\033capslock.' >"$out/peer"
wait_text "${text}Hello World" "text after Caps Lock went on"

exit_through_menu
echo "PASS"
