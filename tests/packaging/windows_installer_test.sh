#!/usr/bin/env bash
# Installs the MSI in the Wine prefix of the windows-i686 build (msiexec /i /qn), runs the
# end-to-end test against the installed secant-root.exe, removes it (msiexec /x /qn) and checks
# that the prefix's drive holds exactly the files it held before: no program, no shortcut, no
# cached installer left.
#   tests/packaging/windows_installer_test.sh INSTALLER.msi WINDOWS_BUILD_DIR
set -euo pipefail

installer="$(realpath "$1")"
build="$(realpath "$2")"
wine_run="$build/wine-run.sh"
drive="$build/wine-prefix/drive_c"
fail() { echo "windows installer test: $*" >&2; "$wine_run" --end-session; exit 1; }
# Files of the drive, without those Wine rewrites on its own while it runs.
snapshot() { (cd "$drive" && find . -type f ! -path './windows/*' | LC_ALL=C sort); }

"$wine_run" --start-session
before="$(snapshot)"
program="$drive/Program Files/Secant root/secant-root.exe"
shortcut="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Secant root.lnk"

echo "== msiexec /i $installer /qn"
"$wine_run" msiexec /i "Z:$installer" /qn || fail "msiexec /i failed"
[ -f "$program" ] || fail "not installed: $program"
[ -f "$shortcut" ] || fail "no Start-menu shortcut: $shortcut"
cmp -s "$program" "$build/packaging/msi-stage/secant-root.exe" || fail "the installed program differs"

echo "== end-to-end test of the installed secant-root.exe"
SECANT_ROOT_PROGRAM_UNDER_TEST='C:\Program Files\Secant root\secant-root.exe' LC_ALL=C.UTF-8 \
    "$wine_run" "$build/tests/e2e_windows/end_to_end_windows_tests.exe" || fail "end-to-end test failed"

echo "== msiexec /x $installer /qn"
"$wine_run" msiexec /x "Z:$installer" /qn || fail "msiexec /x failed"
after="$(snapshot)"
[ "$before" = "$after" ] || fail "the drive differs after removal:
$(diff <(echo "$before") <(echo "$after") || true)"
[ -e "$(dirname "$program")" ] && fail "left behind: $(dirname "$program")"
"$wine_run" --end-session
echo "windows installer test: passed"
