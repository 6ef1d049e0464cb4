#!/bin/bash
# The whole Tavrin.exe under Wine and Xvfb: single instance, the tray icon
# and its tooltip, the tray menu, the About box, the help page and Exit.
#
#   shell_e2e.sh Tavrin.exe tray-driver.exe artifact-folder
#
# Screenshots of the splash, the tray, the menu, the About box and the
# second-instance box are kept in the artifact folder.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"
start_irda_scenario "$@"

start_tavrin

# The icon comes first and says "Tavrin" until the settings are loaded,
# which happens only once the splash has closed. The driver reads what the
# icon says the moment the splash shows, straight from the tray's tooltip
# control: on a loaded machine a hover took longer than the splash shows.
tip="$(driver tip-during "#32770" 30000)" || fail "the splash did not show, or closed while the tip was read"
shot splash
check "tooltip while the splash shows" "Tavrin" "$tip"

wait_gone "#32770" "" 10000 || fail "the splash did not close"
wait_tooltip "Tavrin: IrDA" 10 "tooltip with IrDA selected"
shot tray

# A second start shows one box and ends with 0; the first keeps running.
/usr/lib/wine/wine64 "$tavrin" &
second=$!
started_pids+=("$second")
driver wait "#32770" "Tavrin" 15000 || fail "the second instance showed no box"
shot second-instance
check "second instance's box" "Tavrin is already running." "$(driver texts Tavrin | sed -n 's/^65535|//p')"
driver press Tavrin 1
wait "$second"
check "second instance's exit code" "0" "$?"
kill -0 "$tavrin_pid" 2>/dev/null || fail "the first instance ended with the second"

# Releasing either button over the icon opens the menu.
open_tray_menu 1 || fail "no menu after a left click on the icon"
shot menu
driver menu-keys esc
wait_gone "#32768" "" 5000 || fail "Esc did not close the menu"
open_tray_menu 3 || fail "no menu after a right click on the icon"
driver menu-keys esc
wait_gone "#32768" "" 5000 || fail "Esc did not close the menu"

# "About..." opens the About box with its empty monitor line; OK closes it.
open_tray_menu 1 || fail "no menu for About"
driver menu-keys down down enter
driver wait "#32770" "" 10000 || fail "About did not open"
shot_painted about
about_texts="$(driver texts "")"
check "About's monitor line" "1016|" "$(grep '^1016|' <<<"$about_texts")"
check "About's version label, from the version resource" "1019|Ver 2.1" "$(grep '^1019|' <<<"$about_texts")"
driver press "" 1
wait_gone "#32770" "" 10000 || fail "OK did not close About"

# "Help..." writes the page and its two pictures into the current folder.
open_tray_menu 1 || fail "no menu for Help"
driver menu-keys down down down enter
for file in "Tavrin Help.html" current.gif menu.gif; do
  for _ in $(seq 50); do [ -s "$file" ] && break; sleep 0.2; done
  [ -s "$file" ] || fail "Help did not write $file"
done
echo "ok: Help wrote the page and both pictures"

# "Exit" ends the program with 0 and takes the icon away.
exit_through_menu
driver tray >/dev/null && fail "the tray still shows an icon after Exit"
echo "PASS"
