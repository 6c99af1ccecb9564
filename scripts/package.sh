#!/usr/bin/env bash
# Makes the packages a user installs, into build/packages/:
#   secant-root_<version>+deb<release>_<arch>.deb   the Linux program for this Debian release (CPack,
#                                      from the linux build)
#   secant-root-<version>.msi          the Windows installer (wixl, from the windows-i686 build)
#   secant-root-<version>-win32.zip    the Windows program alone
# Installs what is missing and builds both configurations first, as `--target package` would.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset linux >/dev/null
cmake --build --preset linux
cpack --preset linux

cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686
cmake --build --preset windows-i686 --target msi
cpack --preset windows-i686

# CPack's staging trees.
rm -rf build/packages/_CPack_Packages
ls -l build/packages
