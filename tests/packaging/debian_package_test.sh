#!/usr/bin/env bash
# Installs the Debian package system-wide as a user would (apt-get install ./….deb), checks what
# it declares and installs, runs the end-to-end test against /usr/bin/secant-root, purges the
# package and checks that none of its files remain and that /usr and /etc hold the same paths as
# before. The package is purged on every way out. Not to be run twice at the same time.
#   tests/packaging/debian_package_test.sh PACKAGE.deb END_TO_END_TEST_PROGRAM
set -euo pipefail

package_file="$(realpath "$1")"
end_to_end_tests="$2"
name=secant-root

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
apt_get() { DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get -y -qq "$@" >/dev/null; }
installed() { dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q 'ok installed'; }
fail() { echo "debian package test: $*" >&2; exit 1; }

# One run at a time on the machine, whichever worktree it comes from: a second one would purge
# the package under the first. Every run holds a lock on dpkg's database directory, which is
# always there and belongs to root alone (dpkg locks files in it, never the directory).
exec 9</var/lib/dpkg
flock -n 9 || fail "another run of this test is in progress"
# The test replaces and then removes the package: it must not take a user's installation away.
if installed; then
    fail "$name is installed on this machine already; remove it first (apt-get purge $name)"
fi

echo "== control fields"
depends="$(dpkg-deb -f "$package_file" Depends)"
# Regular expressions: Debian 13 names the Qt library libqt6widgets6t64.
for expected in 'libreoffice-calc-nogui \| libreoffice-calc' fonts-dejavu-core 'libqt6widgets6(t64)?' libc6; do
    [[ ", $depends," =~ ", "$expected[\ ,] ]] || fail "Depends lacks $expected: $depends"
done
[ "$(dpkg-deb -f "$package_file" Recommends)" = qt6-wayland ] || fail "Recommends is not qt6-wayland"

echo "== lintian"
lintian_output="$(lintian --pedantic "$package_file" 2>/dev/null)" || fail "lintian reports errors:
$lintian_output"
echo "${lintian_output:-(no tags)}"

# Every path under /usr and /etc, but for the byte code that Python writes for itself.
census() { find /usr /etc -xdev ! -path '*/__pycache__*' 2>/dev/null | LC_ALL=C sort; }
before="$(census)"

trap 'installed && apt_get purge "$name"' EXIT
echo "== apt-get install $package_file"
# Without the recommended Wayland platform: the machine is left as it was found.
apt_get install --no-install-recommends "$package_file"
installed || fail "not installed"
mapfile -t files < <(dpkg-query -L "$name" | while read -r path; do [ -d "$path" ] || echo "$path"; done)
printf '%s\n' "${files[@]}"

echo "== installed files"
[ "$(command -v secant-root)" = /usr/bin/secant-root ] || fail "secant-root is not /usr/bin/secant-root"
for binary in /usr/bin/secant-root /usr/lib/*/secant-root/libsecant-root-uno.so; do
    file -b "$binary" | grep -q ', stripped' || fail "$binary is missing or not stripped"
done
desktop-file-validate /usr/share/applications/secant-root.desktop
appstreamcli validate --no-net /usr/share/metainfo/*.secant_root.metainfo.xml
for size in 16 22 24 32 48 64 128 256; do
    [ -f "/usr/share/icons/hicolor/${size}x${size}/apps/secant-root.png" ] || fail "no ${size}px icon"
done

echo "== end-to-end test of /usr/bin/secant-root"
SECANT_ROOT_PROGRAM_UNDER_TEST=/usr/bin/secant-root "$end_to_end_tests" \
    --gtest_filter='*EndToEnd*:WithoutADisplay.TheProgramSaysSoInOneLineAndFails'

echo "== apt-get purge $name"
apt_get purge "$name"
installed && fail "still installed after purge"
left=()
for path in "${files[@]}" /usr/share/doc/$name; do
    [ -e "$path" ] && left+=("$path")
done
[ "${#left[@]}" -eq 0 ] || fail "left behind by purge: ${left[*]}"
after="$(census)"
[ "$before" = "$after" ] || fail "/usr or /etc differ after purge:
$(diff <(echo "$before") <(echo "$after") || true)"
echo "debian package test: passed"
