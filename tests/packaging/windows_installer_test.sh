#!/usr/bin/env bash
# Installs the MSI in the Wine prefix of the windows-i686 build (msiexec /i /qn), checks that it
# is installed for the whole machine with its Start-menu shortcut and icon, runs the end-to-end
# test against the installed secant-root.exe, removes it (msiexec /x /qn) and checks that the
# prefix's drive holds exactly the files it held before: no program, no shortcut, no cached
# installer left. The installer is removed again on every way out.
#   tests/packaging/windows_installer_test.sh INSTALLER.msi WINDOWS_BUILD_DIR
set -euo pipefail

installer="$(realpath "$1")"
build="$(realpath "$2")"
wine_run="$build/wine-run.sh"
drive="$build/wine-prefix/drive_c"
fail() { echo "windows installer test: $*" >&2; exit 1; }
# Files of the drive, without those Wine rewrites on its own while it runs.
snapshot() { (cd "$drive" && find . -type f ! -path './windows/*' | LC_ALL=C sort); }
# Column N of the row KEY of an installer table.
table_cell() {
    msiinfo export "$installer" "$1" | tr -d '\r' |
        awk -F'\t' -v key="$2" -v n="$3" '$1 == key { print $n }'
}
# Whether the product is registered for the whole machine.
registration() {
    local uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
    "$wine_run" reg query "$uninstall\\$product_code" >/dev/null 2>&1
}

echo "== per-machine installer with a Start-menu shortcut"
[ "$(table_cell Property ALLUSERS 2)" = 1 ] || fail "ALLUSERS is not 1"
product_code="$(table_cell Property ProductCode 2)"
shortcut_folder="$(table_cell Shortcut StartMenuShortcut 2)"
shortcut_name="$(table_cell Shortcut StartMenuShortcut 3)"
shortcut_icon="$(table_cell Shortcut StartMenuShortcut 9)"
[ "$shortcut_folder" = ProgramMenuFolder ] || fail "the shortcut is in $shortcut_folder"
[ -n "$shortcut_icon" ] || fail "the shortcut has no icon"

program="$drive/Program Files/Secant root/secant-root.exe"
"$wine_run" --start-session
trap 'if registration || [ -e "$program" ]; then "$wine_run" msiexec /x "Z:$installer" /qn; fi
      "$wine_run" --end-session' EXIT
before="$(snapshot)"

echo "== msiexec /i $installer /qn"
"$wine_run" msiexec /i "Z:$installer" /qn || fail "msiexec /i failed"
[ -f "$program" ] || fail "not installed: $program"
stage="$build/packaging/msi-stage"
cmp -s "$program" "$stage/secant-root.exe" || fail "the installed program differs"
registration || fail "not registered for the whole machine (HKLM) as $product_code"
# Windows puts ProgramMenuFolder in the all-users Start menu for an ALLUSERS=1 installation;
# Wine's installer always resolves it to the user's own Start menu.
shortcut=
for menu in "ProgramData/Microsoft/Windows/Start Menu/Programs" \
    "users/${USER:-$(id -un)}/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"; do
    [ -f "$drive/$menu/$shortcut_name.lnk" ] && shortcut="$drive/$menu/$shortcut_name.lnk"
done
[ -n "$shortcut" ] || fail "no Start-menu shortcut $shortcut_name.lnk"
# The shortcut's target, working folder and icon, as the texts it holds.
link_texts="$(strings "$shortcut"; strings -el "$shortcut")"
grep -qxF 'C:\Program Files\Secant root\secant-root.exe' <<<"$link_texts" ||
    fail "the shortcut does not start the installed program"
grep -qxF 'C:\Program Files\Secant root\' <<<"$link_texts" ||
    fail "the shortcut does not start in the program's folder"
icon="$(grep -F "\\$shortcut_icon" <<<"$link_texts" | grep -o 'C:\\.*')" ||
    fail "the shortcut has no icon"
icon_file="$drive/$(sed -e 's/^C://' -e 's|\\|/|g' <<<"$icon")"
cmp -s "$icon_file" "$stage/secant-root.ico" || fail "the shortcut's icon is not the program's"
echo "shortcut: ${shortcut#"$drive/"}, icon ${icon}"

echo "== end-to-end test of the installed secant-root.exe"
SECANT_ROOT_PROGRAM_UNDER_TEST='C:\Program Files\Secant root\secant-root.exe' LC_ALL=C.UTF-8 \
    "$wine_run" "$build/tests/e2e_windows/end_to_end_windows_tests.exe" ||
    fail "end-to-end test failed"

echo "== msiexec /x $installer /qn"
"$wine_run" msiexec /x "Z:$installer" /qn || fail "msiexec /x failed"
registration && fail "still registered after removal"
after="$(snapshot)"
[ "$before" = "$after" ] || fail "the drive differs after removal:
$(diff <(echo "$before") <(echo "$after") || true)"
[ -e "$(dirname "$program")" ] && fail "left behind: $(dirname "$program")"
echo "windows installer test: passed"
