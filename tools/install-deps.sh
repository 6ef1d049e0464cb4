#!/bin/bash
# Installs every Debian 12 package the build and the three test layers need.
# Safe to run again: packages already present are skipped by apt.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine32:i386 wine64 xvfb x11-xkb-utils x11-apps x11-utils xdotool openbox
  gcc-multilib socat googletest libgtest-dev libbenchmark-dev imagemagick
  wixl msitools zip unzip osslsigncode openssl locales
)

missing() {
  local p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 0
  done
  return 1
}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# The locales Tavrin's languages are tested in: Wine takes its display
# language from LANG, and only from a locale the system has.
LOCALES=(de_DE fr_FR es_ES nl_NL it_IT sv_SE)
generate_locales() {
  local l wanted=0
  for l in "${LOCALES[@]}"; do
    locale -a 2>/dev/null | grep -qx "$l.utf8" && continue
    $SUDO sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
    grep -qx "$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    wanted=1
  done
  [ "$wanted" = 0 ] || $SUDO locale-gen
}

if ! missing; then
  generate_locales
  echo "install-deps: everything is installed"
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO dpkg --add-architecture i386
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${PACKAGES[@]}"
generate_locales
