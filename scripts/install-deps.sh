#!/usr/bin/env bash
# Installs the Debian 12 packages that are missing, for one of two purposes:
#   scripts/install-deps.sh program   building and running the Linux program (scripts/run.sh)
#   scripts/install-deps.sh           everything: besides that, building and running every test,
#                                     the Windows build under Wine, and the packages
# Does nothing when all of them are present already, so the run and test commands can call it
# every time.
set -euo pipefail

purpose="${1:-all}"
case "$purpose" in
  program | all) ;;
  *) echo "usage: $0 [program]" >&2; exit 2 ;;
esac

packages=(
  build-essential cmake ninja-build
  qt6-base-dev fonts-dejavu-core libreoffice-calc-nogui libreoffice-dev
)
if [ "$purpose" = all ]; then
  packages+=(
    clang libclang-rt-14-dev clang-format
    googletest libmpfr-dev locales
    xvfb xauth x11-apps imagemagick libx11-dev libxtst-dev dbus-daemon at-spi2-core
    desktop-file-utils appstream lintian dpkg-dev file
    g++-mingw-w64-i686 mingw-w64-tools wine wine32:i386 wixl msitools
  )
fi

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
  # Wine runs the 32-bit Windows build with the i386 libraries.
  if [ "$purpose" = all ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${as_root[@]}" dpkg --add-architecture i386
  fi
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The comma-separator locale that the number formatting tests switch to.
if [ "$purpose" = all ] && ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  "${as_root[@]}" localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
