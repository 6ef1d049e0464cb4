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
# in build folders of its own, without editing a file: the installer's
# upgrade test uses it. TAVRIN_DIST names another output folder than dist/.
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

dist="$(mkdir -p "${TAVRIN_DIST:-dist}" && cd "${TAVRIN_DIST:-dist}" && pwd)"
override="${TAVRIN_VERSION:-}"

# The version after MAJOR.MINOR.PATCH: the installer's exclusive upper bound
# of the versions it replaces.
next_patch() { echo "${1%.*}.$((${1##*.} + 1))"; }

# Notepad before Windows 10 shows a text with lone LF line ends on one line.
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }

package_arch() {
  local arch="$1" preset build version stage folder
  [ "$arch" = x86 ] && preset=win32-release || preset=win64-release
  build="build/$preset${override:+-$override}"
  cmake --preset "$preset" -B "$build" -DTAVRIN_VERSION="$override" >/dev/null
  cmake --build "$build" --target tavrin
  version=$(sed -n 's/^#define TAVRIN_VERSION_TEXT "\(.*\)"$/\1/p' "$build/app/version/version.h")
  [ -n "$version" ] || { echo "package: no version in $build" >&2; return 1; }

  folder="Tavrin-$version-$arch"
  stage="$build/package/$folder"
  rm -rf "$build/package" && mkdir -p "$stage"
  cp "$build/bin/Tavrin.exe" "$stage/"
  sed "s/@VERSION@/$version/" packaging/README.txt >"$stage/README.tmp"
  crlf "$stage/README.tmp" "$stage/README.txt" && rm "$stage/README.tmp"
  crlf LICENSE "$stage/LICENSE.txt"
  crlf docs/command-language.md "$stage/command-language.md"

  # wixl finds the package's files relative to the folder it runs in.
  cp res/tavrin.ico "$build/package/"
  cp "$stage"/* "$build/package/"
  (cd "$build/package" &&
    wixl -a "$arch" -D Version="$version" -D UpgradeBelow="$(next_patch "$version")" -D Arch="$arch" \
      -o "$dist/$folder.msi" "$root/packaging/tavrin.wxs")

  rm -f "$dist/$folder.zip"
  (cd "$build/package" && zip -q -X -r "$dist/$folder.zip" "$folder")
  echo "package: $dist/$folder.msi"
  echo "package: $dist/$folder.zip"
}

for arch in "${arches[@]}"; do package_arch "$arch"; done
