#!/bin/bash
# The x64 installer as an IT department uses it, in a fresh Wine prefix:
# a silent install with machine presets, start-up for everyone and Tavrin on
# the sign-in list beside another name, the installed program typing at once
# for a user without settings, a silent upgrade to a higher version that
# keeps the presets, a silent uninstall that removes them and takes Tavrin
# alone off the sign-in list; then the x86 package of a higher version in
# place of the x64 one, which keeps the presets and moves the all-users Run
# value.
#
#   package_e2e.sh tray-driver.exe input-probe.exe file-version.exe VERSION artifact-folder
#
# VERSION is the project's (MAJOR.MINOR.PATCH). The packages are made by
# tools/package.sh into the artifact folder: the project's version and one
# with PATCH + 1 for the upgrade, the latter of both bitnesses (wine64's
# msiexec installs the x86 package without running 32-bit code).
set -uo pipefail

driver_exe="$(realpath "$1")"
probe_exe="$(realpath "$2")"
version_exe="$(realpath "$3")"
version="$4"
out="$5"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
source "$here/e2e_lib.sh"

command -v socat >/dev/null || { echo "SKIP: no socat" >&2; exit 77; }
wine64=/usr/lib/wine/wine64
newer="${version%.*}.$((${version##*.} + 1))"

mkdir -p "$out"
dist="$(realpath "$out")/dist"
rm -rf "$dist"
TAVRIN_DIST="$dist" bash "$root/tools/package.sh" x64 >"$out/package.log" 2>&1 ||
  { cat "$out/package.log"; fail "tools/package.sh x64 failed"; }
TAVRIN_VERSION="$newer" TAVRIN_DIST="$dist" bash "$root/tools/package.sh" x64 x86 >>"$out/package.log" 2>&1 ||
  { cat "$out/package.log"; fail "TAVRIN_VERSION=$newer tools/package.sh x64 x86 failed"; }

start_display_and_prefix "$out"

program_dir="$WINEPREFIX/drive_c/Program Files/Tavrin"
tavrin="$program_dir/Tavrin.exe"
program='C:\Program Files\Tavrin\Tavrin.exe'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Morvane\Tavrin'

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
msiexec() {
  $wine64 msiexec "$1" "$(windows_path "$2")" /qn "${@:3}" >/dev/null 2>&1
  check "msiexec $1 $(basename "$2") ${*:3}" 0 "$?"
}
reg_value() { $wine64 reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"; }

# "key|DisplayName|DisplayVersion|Publisher" of every uninstall entry named Tavrin.
uninstall_keys() {
  $wine64 reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null | tr -d '\r' |
    awk 'function flush() { if (name == "Tavrin") print key "|" name "|" ver "|" pub; name = ver = pub = "" }
         /^HKEY/ {flush(); key = $0} $1 == "DisplayName" {name = $3}
         $1 == "DisplayVersion" {ver = $3} $1 == "Publisher" {pub = $3} END {flush()}'
}
uninstall_entries() { uninstall_keys | cut -d'|' -f2-; }

# Wine makes the Start menu's "Programs" the user's even for a per-machine
# package; Windows makes it the common one. Either counts.
shortcuts() {
  find "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs" \
    "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs" \
    -maxdepth 1 -name 'Tavrin.lnk' 2>/dev/null
}

# "Port|Baud|Interpretation|all-users Run values" as the machine holds them,
# the defaults in the 64-bit registry view or, with "Wow6432Node\", in the
# 32-bit one; the Run values of both views, so that a second one would show.
presets() {
  local runs key='HKLM\Software\'"${1:-}"'Morvane\Tavrin'
  runs=$(for run in 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' \
    'HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Run'; do reg_value "$run" Tavrin; done | paste -sd ';')
  echo "$(reg_value "$key" Port)|$(reg_value "$key" Baud)|$(reg_value "$key" Interpretation)|$runs"
}

access_key='HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Accessibility'
# Tavrin's registration as an assistive technology, "name=data;..." by name.
registration() {
  $wine64 reg query "$access_key\ATs\Tavrin" 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *\([A-Za-z]*\) *REG_[A-Z_]* *\(.*\)$/\1=\2/p' | LC_ALL=C sort | paste -sd ';'
}
# "list|Port|Baud|Interpretation": the sign-in list and the sign-in settings.
sign_in() {
  local key='HKLM\Software\Morvane\Tavrin\SignIn'
  echo "$(reg_value "$access_key" Configuration)|$(reg_value "$key" Port)|$(reg_value "$key" Baud)|$(reg_value "$key" Interpretation)"
}

installed_version() { $wine64 "$version_exe" "$(windows_path "$tavrin")" 2>/dev/null | tr -d '\r' | grep "^$1=" | cut -d= -f2-; }

# --- A silent install puts the program, its shortcut, its entry and the
# presets in place. A value Tavrin cannot use refuses the package (1603).
$wine64 msiexec /i "$(windows_path "$dist/Tavrin-$version-x64.msi")" /qn INTERPRETATION=3 >/dev/null 2>&1 &&
  fail "the package took INTERPRETATION=3"
check "presets after the refused install" "|||" "$(presets)"
$wine64 reg add "$access_key" /v Configuration /d osk,Narrator /f >/dev/null 2>&1
msiexec /i "$dist/Tavrin-$version-x64.msi" /norestart PORT=COM1 BAUD=9600 INTERPRETATION=2 AUTOSTART=1 SIGNIN=1
check "presets after the install" "COM1|0x2580|0x2|\"$program\"" "$(presets)"
check "sign-in list and settings after the install" "osk,Narrator,Tavrin|COM1|0x2580|0x2" "$(sign_in)"
check "registration" "ATExe=Tavrin.exe;ApplicationName=@$program,-40;Description=@$program,-41;$(
  )Profile=<HCIModel><Accommodation type=\"severe dexterity\" /></HCIModel>;SimpleProfile=dexterity;$(
  )StartExe=$program;StartParams=/securedesktop;TerminateOnDesktopSwitch=0x1" "$(registration)"
[ -f "$tavrin" ] || fail "no $program after the install"
check "installed FileVersion" "$version" "$(installed_version FileVersion)"
check "installed fixed file version" "$version.0" "$(installed_version Fixed)"
check "installed ProductName" "Tavrin" "$(installed_version ProductName)"
check "installed CompanyName" "Morvane" "$(installed_version CompanyName)"
check "Start menu shortcuts" "1" "$(shortcuts | wc -l)"
grep -qaF "$program" "$(shortcuts)" || fail "the shortcut does not name $program"
echo "ok: the shortcut names $program"
check "uninstall entries" "Tavrin|$version|Morvane" "$(uninstall_entries)"
product_code=$(uninstall_keys | grep -o '{[0-9A-F-]*}')
[ -s "$WINEPREFIX/drive_c/windows/Installer/$product_code/tavrin.ico" ] || fail "no icon for the entry of $product_code"
echo "ok: the entry's icon is kept for $product_code"

# --- A user without settings of their own starts it from its folder, as the
# shortcut does: the machine defaults open COM1 at 9600 with no help page
# and no dialog, UTF-8 is typed as Unicode, and nothing is stored for them.
prepare_port COM1
start_tavrin_with_open_port COM1 9600 "$program_dir"
check "help pages written" "" "$(find "$WINEPREFIX/drive_c" -name 'Tavrin Help.html')"
check "the user's settings key" "absent" "$($wine64 reg query "$settings_key" >/dev/null 2>&1 && echo present || echo absent)"
start_probe unicode-window
printf 'Install\303\251\033enter.' >"$out/peer"
wait_text "Installé" "typing from the installed program"
shot installed-typing
stop_probe

# The manifest's common controls 6 leave the frame around the About box's
# picture to the dialog, which must paint it in the picture's own corner
# colour, as the older controls did.
open_tray_menu 1 || fail "no menu for About"
driver menu-keys down down enter
driver wait "#32770" "" 10000 || fail "About did not open"
shot_painted installed-about
IFS=, read -r left top _ bottom <<<"$(driver windows | grep '^#32770|' | head -1 | cut -d'|' -f3)"
check "About's frame beside the picture" "$(convert "$root/res/splash.bmp" -format '%[pixel:p{0,0}]' info:)" \
  "$(convert "$out/installed-about.png" -format "%[pixel:p{$((left + 4)),$(((top + bottom) / 2))}]" info:)"
driver press "" 1
wait_gone "#32770" "" 10000 || fail "OK did not close About"
exit_through_menu
cd "$out" || exit 1
# As after an OK in Configure.
preset_settings COM1 1200

# --- A higher version replaces the installed one: one entry remains, the
# presets given to the first stay, and so do the user's settings.
$wine64 reg add "$run_key" /v Tavrin /d "$program" /f >/dev/null 2>&1
msiexec /i "$dist/Tavrin-$newer-x64.msi"
check "uninstall entries after the upgrade" "Tavrin|$newer|Morvane" "$(uninstall_entries)"
check "FileVersion after the upgrade" "$newer" "$(installed_version FileVersion)"
check "Start menu shortcuts after the upgrade" "1" "$(shortcuts | wc -l)"
check "stored port after the upgrade" "COM1" "$(reg_value "$settings_key" Port)"
check "presets after the upgrade" "COM1|0x2580|0x2|\"$program\"" "$(presets)"
check "sign-in list after the upgrade" "osk,Narrator,Tavrin" "$(sign_in | cut -d'|' -f1)"
# Known Wine difference: Wine removes the older package without telling it
# (UPGRADINGPRODUCTCODE) that an upgrade removes it, so that removal takes
# the log-in value and the sign-in settings along (the new package puts
# Tavrin back on the list). Windows tells it, and both stay: the last row
# below runs that removal as Windows does.
echo "note: Run value after Wine's upgrade: [$(reg_value "$run_key" Tavrin)]; Windows keeps it"
echo "note: sign-in settings after Wine's upgrade: [$(sign_in | cut -d'|' -f2-)]; Windows keeps them"

# The older package refuses to replace the newer one.
$wine64 msiexec /i "$(windows_path "$dist/Tavrin-$version-x64.msi")" /qn >/dev/null 2>&1 &&
  fail "the older package installed over the newer one"
check "uninstall entries after trying the older package" "Tavrin|$newer|Morvane" "$(uninstall_entries)"
check "FileVersion after trying the older package" "$newer" "$(installed_version FileVersion)"

# --- The uninstall removes program, shortcut and entry and keeps the
# settings. It removes the log-in value when that names this program,
# quoted or not, unless an upgrade is removing the package.
uninstall_with_run_value() {
  $wine64 reg add "$run_key" /v Tavrin /d "$1" /f >/dev/null 2>&1
  msiexec /x "$dist/Tavrin-$newer-x64.msi" "${@:3}"
  [ -e "$program_dir" ] && fail "$program_dir is left after the uninstall"
  check "Start menu shortcuts after the uninstall" "0" "$(shortcuts | wc -l)"
  check "uninstall entries after the uninstall" "" "$(uninstall_entries)"
  check "stored port after the uninstall" "COM1" "$(reg_value "$settings_key" Port)"
  check "presets after the uninstall" "|||" "$(presets)"
  check "Run value [$1] after the uninstall ${*:3}" "$2" "$(reg_value "$run_key" Tavrin)"
  $wine64 reg delete "$run_key" /v Tavrin /f >/dev/null 2>&1
}
uninstall_with_run_value "\"$program\"" ""
check "sign-in list and settings after the uninstall" "osk,Narrator|||" "$(sign_in)"
check "registration after the uninstall" "" "$(registration)"
uninstall_rows=(
  "$program||"
  'C:\Tools\Tavrin.exe|C:\Tools\Tavrin.exe|'
  "\"$program\"|\"$program\"|UPGRADINGPRODUCTCODE={E7AC4E25-9AA8-4410-AAC9-3B2B2467EA69}"
)
for row in "${uninstall_rows[@]}"; do
  IFS='|' read -r value left property <<<"$row"
  msiexec /i "$dist/Tavrin-$newer-x64.msi" SIGNIN=1
  uninstall_with_run_value "$value" "$left" ${property:+"$property"}
  # An upgrade's removal of the package leaves Tavrin on the list.
  check "sign-in list after the uninstall $property" "osk,Narrator${property:+,Tavrin}" "$(sign_in | cut -d'|' -f1)"
done
$wine64 reg add "$access_key" /v Configuration /d osk,Narrator /f >/dev/null 2>&1

# --- The x86 package of a higher version replaces the x64 one without being
# given the presets again: it keeps them, in its own registry view, and
# the one all-users Run value names the x86 program.
msiexec /i "$dist/Tavrin-$version-x64.msi" PORT=COM4 BAUD=19200 INTERPRETATION=0 AUTOSTART=1
msiexec /i "$dist/Tavrin-$newer-x86.msi"
x86_program='C:\Program Files (x86)\Tavrin\Tavrin.exe'
check "presets after the x86 upgrade" "|||\"$x86_program\"|COM4|0x4b00|0x0" "$(presets)|$(presets 'Wow6432Node\' | cut -d'|' -f1-3)"
# The x86 package's entry lives in the 32-bit view: none is left in this one.
check "64-bit uninstall entries after the x86 upgrade" "" "$(uninstall_entries)"
[ -e "$program_dir" ] && fail "$program_dir is left after the x86 upgrade"
msiexec /x "$dist/Tavrin-$newer-x86.msi"
check "presets after the x86 uninstall" "||||||" "$(presets)|$(presets 'Wow6432Node\' | cut -d'|' -f1-3)"
echo "PASS"
