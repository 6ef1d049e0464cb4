#!/bin/bash
# Takes the help page's two pictures from the real program: Tavrin.exe runs
# under Wine and Xvfb with COM1 mapped to a pseudo-terminal, and the tray is
# photographed twice, once with the tooltip of the open port and once with
# the tray menu open and its first item, Configure, highlighted. Each
# picture is cut to 250 x 125 and stored as a 256-colour interlaced GIF.
#
#   tools/make-help-pictures.sh Tavrin.exe tray-driver.exe [LANGUAGE [work-folder]]
#
# LANGUAGE is one of Tavrin's language codes (en, the default, de, fr, es,
# nl, it, sv) or "all". Tavrin runs with that display language, so that the
# tooltip and the menu show as they show in that language. English pictures
# go to res/help/current.gif and res/help/menu.gif, the others' to
# res/help/<code>/; the full screenshots stay in the work folder (default
# build/help-pictures/<code>).
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
code="${3:-en}"
# Each language's locale and the tooltip of COM1 at 1200 baud in it.
declare -A locale_of=([en]=C.UTF-8 [de]=de_DE.UTF-8 [fr]=fr_FR.UTF-8 [es]=es_ES.UTF-8
                      [nl]=nl_NL.UTF-8 [it]=it_IT.UTF-8 [sv]=sv_SE.UTF-8)
declare -A tip_of=([en]="Tavrin: COM1 @ 1200 Baud" [de]="Tavrin: COM1 mit 1200 Baud"
                   [fr]="Tavrin : COM1 à 1200 bauds" [es]="Tavrin: COM1 a 1200 baudios"
                   [nl]="Tavrin: COM1 op 1200 baud" [it]="Tavrin: COM1 a 1200 baud"
                   [sv]="Tavrin: COM1 med 1200 baud")
if [ "$code" = all ]; then
  for code in en de fr es nl it sv; do bash "${BASH_SOURCE[0]}" "$1" "$2" "$code" || exit 1; done
  exit 0
fi
[ -n "${locale_of[$code]:-}" ] || { echo "make-help-pictures: no language $code" >&2; exit 2; }
target="$root/res/help"
[ "$code" = en ] || target="$root/res/help/$code"
mkdir -p "$target"

tavrin="$(realpath "$1")"
driver_exe="$(realpath "$2")"
source "$root/tests/e2e/e2e_lib.sh"

require_runnable "$tavrin"
start_display_and_prefix "${4:-$root/build/help-pictures/$code}"

# Every Wine process of the run in that language. The tray driver reads the
# tooltip from the tray in UTF-8.
export LANG="${locale_of[$code]}" LC_ALL="${locale_of[$code]}"
port_tooltip="$(printf '%b' "${tip_of[$code]}")"
command -v socat >/dev/null || fail "socat is needed for the serial line"
start_tavrin_on_com1
# The window manager frames Wine's tray window, which a taskbar's
# notification area has not: the pictures start at the window's client
# area, below the frame.
read -r tray_x tray_y <<<"$(tray_icon_point origin)"
[ -n "$tray_y" ] || fail "the tray window's place is not known"
# The picture shows the tooltip as a hover shows it, which the tooltip
# control tells in the driver's Windows code page.
check "tooltip on a hover" "$(iconv -f UTF-8 -t WINDOWS-1252 <<<"$port_tooltip")" "$(tray_tooltip)"
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

# The root window's black becomes a desktop colour, so that the pictures
# read as a screen, and a strip of it stays above and left of the tray.
to_gif() {
  local height
  height=$(identify -format %h "$out/$1.png") || fail "no screenshot $1"
  convert "$out/$1.png" -fill '#3a6ea5' -draw "color 0,$((height - 1)) floodfill" \
    -crop "246x115+$tray_x+$tray_y" +repage -background '#3a6ea5' -splice 4x10 \
    -colors 256 -interlace GIF "GIF:$target/$2" || fail "convert failed for $2"
  pad_palette_to_256 "$target/$2"
  identify "$target/$2"
}
to_gif current-full current.gif
to_gif menu-full menu.gif
