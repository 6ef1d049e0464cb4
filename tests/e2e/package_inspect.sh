#!/bin/bash
# The packages of tools/package.sh read as files, both bitnesses: 32-bit
# programs cannot run on this bench, so the x86 installer is checked by its
# tables (msiinfo) and its program by its bytes. The x64 rows guard the
# differences that package_e2e.sh cannot see from a 64-bit install alone.
# Then the signed packages, with a throwaway certificate: osslsigncode
# accepts every program and installer, and only the installers' program asks
# for uiAccess, and only when asked to.
#
#   package_inspect.sh VERSION artifact-folder
set -uo pipefail

version="$1"
folder="$(mkdir -p "$2" && realpath "$2")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../.." && pwd)"
source "$here/e2e_lib.sh"

# One row per package: arch, summary template, Program Files folder,
# component attributes (256: 64-bit), PE machine.
rows=(
  "x86|Intel;1033|ProgramFilesFolder|0|014c"
  "x64|x64;1033|ProgramFiles64Folder|256|8664"
)

newer="${version%.*}.$((${version##*.} + 1))"
dist="$folder/dist"
rm -rf "$dist"
TAVRIN_DIST="$dist" bash "$root/tools/package.sh" x86 x64 >"$folder/package.log" 2>&1 ||
  { cat "$folder/package.log"; fail "tools/package.sh failed"; }
check "the note on signing" "1 package: TAVRIN_SIGN_PFX is not set: nothing is signed" \
  "$(grep -c 'signed' "$folder/package.log") $(grep 'signed' "$folder/package.log")"

table() { msiinfo export "$msi" "$1" | tail -n +4 | tr -d '\r'; }
property() { table Property | awk -F'\t' -v p="$1" '$1 == p {print $2}'; }

for row in "${rows[@]}"; do
  IFS='|' read -r arch template program_files attributes machine <<<"$row"
  name="Tavrin-$version-$arch"
  msi="$dist/$name.msi"
  [ -s "$msi" ] || fail "no $name.msi"

  check "$arch template" "$template" "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p')"
  for pair in ProductVersion="$version" ProductName=Tavrin Manufacturer=Morvane ALLUSERS=1 \
    ARPPRODUCTICON=tavrin.ico; do
    check "$arch property ${pair%%=*}" "${pair#*=}" "$(property "${pair%%=*}")"
  done
  check "$arch install folder" "INSTALLDIR|$program_files|Tavrin" \
    "$(table Directory | awk -F'\t' '$1 == "INSTALLDIR" {print $1 "|" $2 "|" $3}')"
  # Every component, the registry ones included (their key path adds 4),
  # in the package's bitness: a 64-bit package's registry values land in
  # the 64-bit view, where Windows looks for the registration.
  check "$arch component attributes" "$attributes" \
    "$(table Component | awk -F'\t' '{a = $4; if (int(a / 4) % 2) a -= 4; print a}' | sort -u | paste -sd ' ')"
  check "$arch shortcut" "ProgramMenuFolder|Tavrin|[#TavrinExe]|tavrin.ico|INSTALLDIR" \
    "$(table Shortcut | awk -F'\t' '{print $2 "|" $3 "|" $5 "|" $9 "|" $12}')"
  # Lower and equal versions are replaced (256: from 0.0.0 inclusive, up to
  # the next patch exclusive); a higher one refuses the package (2: only
  # detected).
  check "$arch upgrade rows" "0.0.0|$newer|256|WIX_UPGRADE_DETECTED $version||2|WIX_DOWNGRADE_DETECTED" \
    "$(table Upgrade | awk -F'\t' '{print $2 "|" $3 "|" $5 "|" $7}' | LC_ALL=C sort -t'|' -k4 -r | paste -sd ' ')"
  check "$arch refusals" "NOT WIX_DOWNGRADE_DETECTED PORT BAUD INTERPRETATION AUTOSTART SIGNIN" \
    "$(table LaunchCondition | cut -f1 | sed 's/^NOT \([A-Z]*\) OR.*/\1/' | paste -sd ' ')"
  # Written after wixl by package.sh: each preset's component only with its
  # value, the presets passed to the installing service, and the older
  # version removed inside the transaction.
  check "$arch preset components" "MachinePort|PORTVALUE MachineBaud|BAUDVALUE MachineInterpretation|INTERPRETATIONVALUE AllUsersRun|ALLUSERSRUN" \
    "$(table Component | awk -F'\t' '$5 != "" {print $1 "|" $5}' | paste -sd ' ')"
  check "$arch secure properties" "WIX_UPGRADE_DETECTED;WIX_DOWNGRADE_DETECTED;PORT;BAUD;INTERPRETATION;AUTOSTART;SIGNIN" \
    "$(property SecureCustomProperties)"
  check "$arch removal of the older version" "InstallInitialize|1500 RemoveExistingProducts|1501" \
    "$(table InstallExecuteSequence | awk -F'\t' '$1 ~ /^(InstallInitialize|RemoveExistingProducts)$/ {print $1 "|" $3}' | paste -sd ' ')"

  rm -rf "$folder/$arch" && mkdir -p "$folder/$arch/msi" "$folder/$arch/zip"
  msiextract -C "$folder/$arch/msi" "$msi" >/dev/null || fail "msiextract $name.msi"
  # msiextract names the folders by their names in the package, not by
  # where Windows puts them.
  installed="$(dirname "$(find "$folder/$arch/msi" -name Tavrin.exe | head -1)")"
  check "$arch installed files" "LICENSE.txt README.txt Tavrin.exe command-language.txt" \
    "$(cd "$installed" && LC_ALL=C ls | paste -sd ' ')"
  exe="$installed/Tavrin.exe"
  check "$arch program's machine" "$machine" "$(pe_machine "$exe")"
  check "$arch version texts (FileVersion, ProductVersion)" "$version $version" \
    "$(strings -e l "$exe" | grep -x -F "$version" | paste -sd ' ')"
  check "$arch company" "Morvane" "$(strings -e l "$exe" | grep -x Morvane)"
  for needle in 'level="asInvoker"' 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' \
    '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true</dpiAware>' \
    '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, system</dpiAwareness>'; do
    grep -qaF "$needle" "$exe" || fail "$arch manifest lacks $needle"
  done
  check "$arch manifest's supported systems" "5" "$(grep -aoc 'supportedOS Id=' "$exe")"

  (cd "$folder/$arch/zip" && unzip -q "$dist/$name.zip") || fail "unzip $name.zip"
  check "$arch zip" "$name/ $name/LICENSE.txt $name/README.txt $name/Tavrin.exe $name/command-language.txt" \
    "$(unzip -Z1 "$dist/$name.zip" | LC_ALL=C sort | paste -sd ' ')"
  for file in Tavrin.exe README.txt LICENSE.txt command-language.txt; do
    cmp -s "$folder/$arch/zip/$name/$file" "$installed/$file" || fail "$arch: the zip's $file is not the installer's"
  done
  readme="$installed/README.txt"
  check "$arch README's first line" "Tavrin $version"$'\r' "$(head -1 "$readme")"
  check "$arch README's lines ending in CR LF" "$(wc -l <"$readme")" "$(grep -c $'\r$' "$readme")"
  grep -q 'command-language.txt' "$readme" || fail "$arch README does not name the command reference"
  grep -q 'Copyright (c) 2026 The Tavrin authors' "$installed/LICENSE.txt" || fail "$arch LICENSE"
  echo "ok: $arch package"
done

# --- Signed, with a certificate of its own, uiAccess asked or not.
cert="$folder/cert"
rm -rf "$cert" && mkdir -p "$cert"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Tavrin test signer" \
  -addext extendedKeyUsage=codeSigning -keyout "$cert/key.pem" -out "$cert/cert.pem" 2>/dev/null ||
  fail "openssl made no certificate"
openssl pkcs12 -export -inkey "$cert/key.pem" -in "$cert/cert.pem" -passout pass:throwaway \
  -out "$cert/cert.p12" || fail "openssl made no PKCS#12 file"

verified() { osslsigncode verify -CAfile "$cert/cert.pem" -in "$1" >/dev/null 2>&1 && echo signed || echo unsigned; }
ui_access() { grep -aoE 'uiAccess="[a-z]+"' "$1" | cut -d'"' -f2; }

# One row per signed build: TAVRIN_SIGN_UIACCESS, then what the installers'
# program asks.
for row in "1|true" "|false"; do
  IFS='|' read -r asked msi_access <<<"$row"
  signed="$folder/signed${asked:+-uiaccess}"
  rm -rf "$signed" && mkdir -p "$signed"
  TAVRIN_DIST="$signed/dist" TAVRIN_SIGN_PFX="$cert/cert.p12" TAVRIN_SIGN_PASSWORD=throwaway \
    TAVRIN_SIGN_UIACCESS="$asked" bash "$root/tools/package.sh" x86 x64 >"$signed/package.log" 2>&1 ||
    { cat "$signed/package.log"; fail "tools/package.sh with a certificate failed"; }
  for arch in x86 x64; do
    name="Tavrin-$version-$arch"
    mkdir -p "$signed/$arch/msi" "$signed/$arch/zip"
    msiextract -C "$signed/$arch/msi" "$signed/dist/$name.msi" >/dev/null || fail "msiextract signed $name.msi"
    (cd "$signed/$arch/zip" && unzip -q "$signed/dist/$name.zip") || fail "unzip signed $name.zip"
    msi_exe="$(find "$signed/$arch/msi" -name Tavrin.exe | head -1)"
    zip_exe="$signed/$arch/zip/$name/Tavrin.exe"
    check "$arch signatures (MSI, its program, the zip's program), uiAccess ${asked:-unset}" \
      "signed signed signed" "$(verified "$signed/dist/$name.msi") $(verified "$msi_exe") $(verified "$zip_exe")"
    check "$arch uiAccess of the MSI's and the zip's program, uiAccess ${asked:-unset}" \
      "$msi_access false" "$(ui_access "$msi_exe") $(ui_access "$zip_exe")"
  done
done
check "an unsigned program against the certificate" "unsigned" "$(verified "$folder/x64/zip/Tavrin-$version-x64/Tavrin.exe")"
echo "PASS"
