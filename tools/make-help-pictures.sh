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

command -v socat >/dev/null || fail "socat is needed for the serial line"
start_tavrin_on_com1
shot current-full

open_tray_menu 1 || fail "no tray menu"
driver menu-keys down
# The menu draws its highlight after the key: nothing tells when.
sleep 0.5
shot menu-full
driver menu-keys esc
wait_gone "#32768" "" 5000 || fail "Esc did not close the menu"
exit_through_menu

# Gives a GIF a full 256-entry colour table: its own colours first, then
# distinct filler colours that the picture does not use.
pad_palette_to_256() {
  local gif="$1" palette
  palette="$(mktemp --suffix=.txt)"
  {
    echo "# ImageMagick pixel enumeration: 256,1,255,srgb"
    convert "$gif" -unique-colors txt:- | sed 1d | awk -F'[(,)]' '{print $3","$4","$5}' |
      awk 'BEGIN{n=0} {seen[$0]=1; print n",0: ("$0")"; n++}
           END{for(i=0;n<256;i++){c=i","255-i",7"; if(!(c in seen)){print n",0: ("c")"; n++}}}'
  } > "$palette"
  convert "$gif" +dither -remap "$palette" -interlace GIF "GIF:$gif"
  rm -f "$palette"
}

# The tray sits in the top left corner; the root window's black becomes a
# desktop colour so that the pictures read as a screen.
to_gif() {
  convert "$out/$1.png" -crop 250x125+0+10 +repage \
    -fill '#3a6ea5' -draw 'color 0,0 floodfill' \
    -colors 256 -interlace GIF "GIF:$root/res/$2" || fail "convert failed for $2"
  pad_palette_to_256 "$root/res/$2"
  identify "$root/res/$2"
}
to_gif current-full current.gif
to_gif menu-full menu.gif
