#!/bin/bash
# Builds Tavrin's packages for Windows into dist/:
#
#   Tavrin-<version>-x86.msi  Tavrin-<version>-x64.msi   installers (wixl)
#   Tavrin-<version>-x86.zip  Tavrin-<version>-x64.zip   the portable program
#
#   bash tools/package.sh [x86] [x64]      (both when none is named)
#
# Installs what is missing, builds Tavrin.exe as a release build of each
# bitness (presets win32-release and win64-release) and wraps it with the
# end-user README.txt, LICENSE.txt and the command reference.
#
# TAVRIN_VERSION=2.1.1 builds another version than the project's (CMakeLists)
# without editing a file: the installer's upgrade test uses it. The version
# is only in Tavrin.exe's version resource, so one release build per bitness
# serves every version, and a change of version rebuilds that resource
# alone. TAVRIN_DIST names another output folder than dist/.
#
# Signing (Authenticode, SHA-256, with osslsigncode), when a certificate is
# given:
#   TAVRIN_SIGN_PFX=cert.p12 TAVRIN_SIGN_PASSWORD=...   signs every Tavrin.exe
#       before it is packaged, and both MSIs;
#   TAVRIN_SIGN_TIMESTAMP=URL       an RFC 3161 time-stamp server (optional);
#   TAVRIN_SIGN_UIACCESS=1          the MSIs carry a Tavrin.exe whose manifest
#       asks for uiAccess="true" (typing into programs that run as
#       administrator); the zips never do, since a zip can be unpacked where
#       Windows refuses uiAccess. Windows does not start a uiAccess program
#       whose signature it does not trust: check the certificate on one PC
#       first.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$PWD"

arches=("$@")
[ ${#arches[@]} -gt 0 ] || arches=(x86 x64)
for arch in "${arches[@]}"; do
  case "$arch" in
    x86 | x64) ;;
    *) echo "package: unknown architecture '$arch' (x86 or x64)" >&2; exit 2 ;;
  esac
done

bash tools/install-deps.sh >/dev/null

signing=""
if [ -n "${TAVRIN_SIGN_PFX:-}" ]; then
  [ -f "$TAVRIN_SIGN_PFX" ] || { echo "package: no certificate file $TAVRIN_SIGN_PFX" >&2; exit 2; }
  [ -n "${TAVRIN_SIGN_PASSWORD+set}" ] || { echo "package: TAVRIN_SIGN_PFX needs TAVRIN_SIGN_PASSWORD" >&2; exit 2; }
  signing=yes
  echo "package: signing with $TAVRIN_SIGN_PFX${TAVRIN_SIGN_TIMESTAMP:+, time-stamped by $TAVRIN_SIGN_TIMESTAMP}"
else
  echo "package: TAVRIN_SIGN_PFX is not set: nothing is signed"
fi
if [ "${TAVRIN_SIGN_UIACCESS:-}" = 1 ] && [ -z "$signing" ]; then
  echo "package: TAVRIN_SIGN_UIACCESS needs a signature: the installers keep uiAccess=\"false\""
fi

dist="$(mkdir -p "${TAVRIN_DIST:-dist}" && cd "${TAVRIN_DIST:-dist}" && pwd)"
override="${TAVRIN_VERSION:-}"

# The version after MAJOR.MINOR.PATCH: the installer's exclusive upper bound
# of the versions it replaces.
next_patch() { echo "${1%.*}.$((${1##*.} + 1))"; }

# Notepad before Windows 10 shows a text with lone LF line ends on one line.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }

# sign FILE: signs it in place. The password goes through a pipe, not the
# command line, where any user of the machine could read it.
sign() {
  local timestamp=()
  [ -n "${TAVRIN_SIGN_TIMESTAMP:-}" ] && timestamp=(-ts "$TAVRIN_SIGN_TIMESTAMP")
  printf '%s' "$TAVRIN_SIGN_PASSWORD" |
    osslsigncode sign -pkcs12 "$TAVRIN_SIGN_PFX" -readpass - -h sha256 -n Tavrin \
      "${timestamp[@]}" -in "$1" -out "$1.signed" >/dev/null ||
    { echo "package: signing $1 failed" >&2; return 1; }
  mv "$1.signed" "$1"
}

# ui_access_copy FROM TO: the program with a manifest that asks for
# uiAccess. The manifest is the resource's bytes as written, and "false" and
# "true " are of one length, so the change moves nothing in the file.
ui_access_copy() {
  perl -0777 -pe '$n = s/uiAccess="false"/uiAccess="true" /g; END { exit($n == 1 ? 0 : 1) }' "$1" >"$2" ||
    { echo "package: no single uiAccess=\"false\" in $1" >&2; return 1; }
}

# What wixl cannot write, added to its tables: each preset's component is
# installed only when its value is known (packaging/tavrin.wxs), and the
# presets reach the installing service also from an install started with
# its user interface by a user who is not an administrator.
complete_msi_tables() {
  local pair query
  for pair in MachinePort=PORTVALUE MachineBaud=BAUDVALUE MachineInterpretation=INTERPRETATIONVALUE \
    AllUsersRun=ALLUSERSRUN; do
    query="UPDATE \`Component\` SET \`Condition\` = '${pair#*=}' WHERE \`Component\` = '${pair%%=*}'"
    msibuild "$1" -q "$query" || { echo "package: no condition for ${pair%%=*} in $1" >&2; return 1; }
  done
  query="UPDATE \`Property\` SET \`Value\` = 'WIX_UPGRADE_DETECTED;WIX_DOWNGRADE_DETECTED;PORT;BAUD;INTERPRETATION;AUTOSTART;SIGNIN'"
  msibuild "$1" -q "$query WHERE \`Property\` = 'SecureCustomProperties'" ||
    { echo "package: no SecureCustomProperties in $1" >&2; return 1; }
}

package_arch() {
  local arch="$1" preset build version stage folder
  [ "$arch" = x86 ] && preset=win32-release || preset=win64-release
  build="build/$preset"
  # Two runs at once (the package tests of both builds) would build one
  # folder for two versions: the second waits for the first.
  mkdir -p build
  exec 9>"$build.lock"
  flock 9
  cmake --preset "$preset" -DTAVRIN_VERSION="$override" >/dev/null
  cmake --build "$build" --target tavrin
  version=$(sed -n 's/^#define TAVRIN_VERSION_TEXT "\(.*\)"$/\1/p' "$build/app/version/version.h")
  [ -n "$version" ] || { echo "package: no version in $build" >&2; return 1; }

  folder="Tavrin-$version-$arch"
  stage="$build/package/$folder"
  rm -rf "$build/package" && mkdir -p "$stage"
  cp "$build/bin/Tavrin.exe" "$stage/"
  if [ -n "$signing" ]; then sign "$stage/Tavrin.exe"; fi
  sed "s/@VERSION@/$version/" packaging/README.txt >"$stage/README.tmp"
  crlf "$stage/README.tmp" "$stage/README.txt" && rm "$stage/README.tmp"
  crlf LICENSE "$stage/LICENSE.txt"
  # A .txt opens in Notepad on every Windows PC; an .md may open nowhere.
  crlf docs/command-language.md "$stage/command-language.txt"

  # wixl finds the package's files relative to the folder it runs in.
  cp res/tavrin.ico "$build/package/"
  cp "$stage"/* "$build/package/"
  if [ -n "$signing" ] && [ "${TAVRIN_SIGN_UIACCESS:-}" = 1 ]; then
    ui_access_copy "$build/bin/Tavrin.exe" "$build/package/Tavrin.exe"
    sign "$build/package/Tavrin.exe"
  fi
  (cd "$build/package" &&
    wixl -a "$arch" -D Version="$version" -D UpgradeBelow="$(next_patch "$version")" -D Arch="$arch" \
      -o "$dist/$folder.msi" "$root/packaging/tavrin.wxs")
  complete_msi_tables "$dist/$folder.msi"
  if [ -n "$signing" ]; then sign "$dist/$folder.msi"; fi

  rm -f "$dist/$folder.zip"
  (cd "$build/package" && zip -q -X -r "$dist/$folder.zip" "$folder")
  echo "package: $dist/$folder.msi"
  echo "package: $dist/$folder.zip"
  exec 9>&-
}

for arch in "${arches[@]}"; do package_arch "$arch"; done
