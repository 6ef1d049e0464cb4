#!/bin/bash
# The Configure dialog and the About box at 100 % and 150 % (96 and 144
# DPI, Wine's LogPixels), in each of Tavrin's languages (the display
# language from LANG): every control inside the dialog with its whole text,
# the dialog titled in that language, and the version label on the picture,
# which fills the box at both scales.
#
#   dpi_e2e.sh Tavrin.exe tray-driver.exe artifact-folder [language-code...]
#
# Without language codes, every language; with them, those (two tests share
# the languages, and so the time).
#
# The screenshots configure-<language>-<dpi>.png and about-<language>-<dpi>.png
# are kept in the artifact folder.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/e2e_lib.sh"
start_irda_scenario "$@"

# Every line of a layout has its control inside the client area and its
# text whole.
check_layout() {
  local name=$1 layout=$2 bad
  [ -n "$layout" ] || fail "$name: no controls"
  bad=$(awk -F'|' '$2 != 1 || $3 == 0' <<<"$layout")
  check "$name: controls outside or clipped" "" "$bad"
}

rect_of() { awk -F'|' -v id="$1" '$1 == id { print $4 }' <<<"$2"; }

# Starts Tavrin with the display language of locale, opens Configure (by
# its title in that language) and About from the tray, and checks both.
check_language() {
  local code=$1 locale=$2 title=$3 dpi=$4 layout
  LANG=$locale LC_ALL=$locale start_tavrin
  driver wait "#32770" "" 30000 || fail "the splash did not show at $dpi DPI in $code"
  wait_gone "#32770" "" 10000 || fail "the splash did not close at $dpi DPI in $code"

  open_tray_menu 1 || fail "no menu for Configure at $dpi DPI in $code"
  driver menu-keys down enter
  driver wait "#32770" "$title" 10000 || fail "Configure did not open at $dpi DPI in $code"
  shot_painted "configure-$code-$dpi"
  check_layout "Configure at $dpi DPI in $code" "$(driver layout "$title")"
  driver press "$title" 2 || fail "no Configure to press Cancel in at $dpi DPI in $code"
  wait_gone "#32770" "$title" 10000 || fail "Cancel did not close Configure"

  open_tray_menu 1 || fail "no menu for About at $dpi DPI in $code"
  driver menu-keys down down enter
  driver wait "#32770" "" 10000 || fail "About did not open at $dpi DPI in $code"
  shot_painted "about-$code-$dpi"
  layout=$(driver layout "")
  check_layout "About at $dpi DPI in $code" "$layout"
  IFS=, read -r pl pt pr pb <<<"$(rect_of 1020 "$layout")"
  IFS=, read -r vl vt vr vb <<<"$(rect_of 1019 "$layout")"
  [ -n "$pr" ] && [ -n "$vr" ] || fail "no picture or version label at $dpi DPI in $code"
  check "version label on the picture at $dpi DPI in $code" "1" \
    "$(( vl >= pl && vt >= pt && vr <= pr && vb <= pb ))"
  picture_width[$dpi]=$((pr - pl))
  driver press "" 1
  wait_gone "#32770" "" 10000 || fail "OK did not close About"
  exit_through_menu
}

# Language code, its locale and the Configure dialog's title in it.
languages=("en C.UTF-8 Configure" "de de_DE.UTF-8 Konfigurieren" "fr fr_FR.UTF-8 Configurer"
           "es es_ES.UTF-8 Configurar" "nl nl_NL.UTF-8 Configureren" "it it_IT.UTF-8 Configura"
           "sv sv_SE.UTF-8 Konfigurera")
if [ $# -gt 3 ]; then
  chosen=()
  for entry in "${languages[@]}"; do
    [[ " ${*:4} " == *" ${entry%% *} "* ]] && chosen+=("$entry")
  done
  [ ${#chosen[@]} -eq $(($# - 3)) ] || fail "unknown language among: ${*:4}"
  languages=("${chosen[@]}")
fi
for entry in "${languages[@]}"; do
  read -r code locale _ <<<"$entry"
  locale -a | grep -qix "${locale/UTF-8/utf8}" || fail "locale $locale missing: tools/install-deps.sh generates it"
done

declare -A picture_width
for dpi in 96 144; do
  /usr/lib/wine/wine64 reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -k >/dev/null 2>&1
  for entry in "${languages[@]}"; do
    read -r code locale title <<<"$entry"
    check_language "$code" "$locale" "$title" "$dpi"
  done
done


# The picture grows with the scale instead of sitting in a wider frame.
check "picture 1.4 to 1.6 times as wide at 144 DPI (${picture_width[96]} and ${picture_width[144]} pixels)" "1" \
  "$(( picture_width[144] * 10 >= picture_width[96] * 14 && picture_width[144] * 10 <= picture_width[96] * 16 ))"
echo "PASS"
