#!/bin/bash
# Installs every Debian 12 package the build and the three test layers need.
# Safe to run again: packages already present are skipped by apt.
#
# Built to survive a mirror mid-sync: `apt-get update` is retried, a list
# that still fails does not stop the install while the packages install
# without it, and 32-bit Wine (the one package that needs the i386 lists) is
# installed only where this kernel runs 32-bit programs at all. The 32-bit
# build is made either way; only its Wine tests are skipped without it.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64 xvfb x11-xkb-utils x11-apps x11-utils xdotool openbox
  gcc-multilib socat googletest libgtest-dev libbenchmark-dev imagemagick
  wixl msitools zip unzip osslsigncode openssl locales
)
WINE32=wine32:i386

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

say() { echo "install-deps: $*"; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing_packages() {
  local p
  for p in "$@"; do installed "$p" || echo "$p"; done
}

# Three tries; a list that still fails is reported and the install goes on
# with the lists that did arrive.
update_lists() {
  local try
  for try in 1 2 3; do
    $SUDO apt-get update -q && return 0
    say "apt-get update failed (try $try of 3)"
    [ "$try" = 3 ] || sleep $((try * 5))
  done
  say "going on with the package lists that did download"
}

# Installs the named packages; when apt refuses the set, each package is
# tried alone so that the message names the ones that fail and apt's reason.
install_packages() {
  $SUDO apt-get install -y -q --no-install-recommends "$@" && return 0
  local p failed=0 out
  for p in "$@"; do
    installed "$p" && continue
    if ! out=$($SUDO apt-get install -y -q --no-install-recommends "$p" 2>&1); then
      say "cannot install $p:"
      { grep -E 'E:|Depends' <<<"$out" || tail -n 5 <<<"$out"; } | sed 's/^/    /'
      failed=1
    fi
  done
  return $failed
}

# A static 32-bit program that only exits: "Exec format error" here means
# this kernel cannot run 32-bit Wine either.
kernel_runs_32bit() {
  local dir status=0
  dir=$(mktemp -d)
  printf '#include <unistd.h>\nint main(void){return 0;}\n' >"$dir/t.c"
  gcc -m32 -static -o "$dir/t" "$dir/t.c" 2>/dev/null && "$dir/t" 2>/dev/null || status=1
  rm -rf "$dir"
  return $status
}

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

# 32-bit Wine, where it can serve: a 32-bit kernel interface and packages
# that install. Otherwise one line, and the set-up goes on.
install_wine32() {
  installed "$WINE32" && return 0
  if ! kernel_runs_32bit; then
    say "this kernel cannot run 32-bit programs: 32-bit Wine is not installed, the 32-bit build's Wine tests will be skipped"
    return 0
  fi
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
    update_lists
  fi
  install_packages "$WINE32" && return 0
  say "32-bit Wine did not install (above): the 32-bit build's Wine tests will be skipped"
}

mapfile -t wanted < <(missing_packages "${PACKAGES[@]}")
if [ "${#wanted[@]}" -gt 0 ]; then
  update_lists
  install_packages "${wanted[@]}" || { say "the set-up stopped: the packages above did not install"; exit 1; }
fi
install_wine32
generate_locales
say "everything is installed"
