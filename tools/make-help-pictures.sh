#!/bin/bash
# Takes the help page's two pictures from the real program: Tavrin.exe runs
# under Wine and Xvfb with COM1 mapped to a pseudo-terminal, and the tray is
# photographed twice, once with the tooltip of the open port and once with
# the tray menu open and "Configure..." highlighted. Each picture is cut to
# 250 x 125 and stored as a 256-colour interlaced GIF.
#
#   tools/make-help-pictures.sh Tavrin.exe tray-driver.exe [work-folder]
#
# Writes res/current.gif and res/menu.gif; the full screenshots stay in the
# work folder (default build/help-pictures).
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
tavrin="$(realpath "$1")"
driver_exe="$(realpath "$2")"
source "$root/tests/e2e/e2e_lib.sh"

require_runnable "$tavrin"
start_display_and_prefix "${3:-$root/build/help-pictures}"

# Wine's serial code needs modem lines that a pty lacks: the bench's shim
# supplies them.
shim="$out/shim"
mkdir -p "$shim/lib/x86_64-linux-gnu"
gcc -shared -fPIC -O2 -o "$shim/lib/x86_64-linux-gnu/libmodemshim.so" \
  "$root/tools/modem-shim/modem_shim.c" -ldl || fail "the modem shim did not build"

rm -f "$out/com1" "$out/peer"
socat "pty,raw,echo=0,link=$out/com1" "pty,raw,echo=0,link=$out/peer" 2>/dev/null &
started_pids+=("$!")
for _ in $(seq 100); do [ -e "$out/com1" ] && break; sleep 0.05; done
[ -e "$out/com1" ] || fail "socat made no pty pair"

/usr/lib/wine/wine64 reg add 'HKLM\Software\Wine\Ports' /v COM1 /d "$out/com1" /f >/dev/null 2>&1
/usr/lib/wine/wineserver -k >/dev/null 2>&1
/usr/lib/wine/wineserver -w
preset_settings COM1 1200

run="$out/run"
rm -rf "$run" && mkdir -p "$run"
cd "$run" || exit 1
LD_PRELOAD="$shim/\$LIB/libmodemshim.so" /usr/lib/wine/wine64 "$tavrin" &
tavrin_pid=$!
started_pids+=("$tavrin_pid")

driver wait "#32770" "" 30000 || fail "the splash did not show"
wait_gone "#32770" "" 10000 || fail "the splash did not close"
sleep 1
check "tooltip of the open port" "Tavrin: COM1 @ 1200 Baud" "$(tray_tooltip)"
shot current-full

open_tray_menu 1 || fail "no tray menu"
driver menu-keys down
sleep 0.5
shot menu-full

driver menu-keys up enter
for _ in $(seq 100); do kill -0 "$tavrin_pid" 2>/dev/null || break; sleep 0.1; done

# The tray sits in the top left corner; the root window's black becomes a
# desktop colour so that the pictures read as a screen.
to_gif() {
  convert "$out/$1.png" -crop 250x125+0+10 +repage \
    -fill '#3a6ea5' -draw 'color 0,0 floodfill' \
    -colors 256 -interlace GIF "GIF:$root/res/$2" || fail "convert failed for $2"
  identify "$root/res/$2"
}
to_gif current-full current.gif
to_gif menu-full menu.gif
