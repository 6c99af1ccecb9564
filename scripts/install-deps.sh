#!/usr/bin/env bash
# Installs every Debian 12 package that building, running and testing the
# program needs. Does nothing when all of them are present already, so the
# run and test commands can call it every time.
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang libclang-rt-14-dev clang-format
  googletest libmpfr-dev locales
  qt6-base-dev fonts-dejavu-core libreoffice-calc-nogui libreoffice-dev
  xvfb xauth x11-apps imagemagick libx11-dev libxtst-dev dbus-daemon at-spi2-core
  desktop-file-utils
  g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
  fi
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The comma-separator locale that the number formatting tests switch to.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  "${as_root[@]}" localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
