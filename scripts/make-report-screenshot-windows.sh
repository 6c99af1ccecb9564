#!/usr/bin/env bash
# Makes docs/report-windows.png, the README's picture of the Windows program's error report: runs
# secant-root.exe under Wine on a private Xvfb display, in a Wine prefix of its own with the X11
# driver and no spreadsheet application, moves to the button with Tab, presses Space and captures
# the message box that reports the missing spreadsheet application.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686 --target secant-root

build="$PWD/build/windows-i686"
work="$(mktemp -d "${TMPDIR:-/tmp}/secant-root-screenshot-XXXXXX")"
export WINEPREFIX="$build/wine-screenshot-prefix" WINEARCH=win32 WINEDEBUG=-all LC_ALL=C.UTF-8
display=":$((200 + RANDOM % 500))"
Xvfb "$display" -screen 0 640x480x24 -nolisten tcp -auth /dev/null >/dev/null 2>&1 &
xvfb=$!
cleanup() {
  DISPLAY="$display" wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY="$display"

# Waits up to 60 s for a window with this exact title and prints its id.
window_named() {
  for _ in $(seq 600); do
    if id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)" && [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.1
  done
  echo "no window named $1 appeared" >&2
  return 1
}

wineboot -i >/dev/null 2>&1
wine "$build/shell/secant-root.exe" >/dev/null 2>&1 &
form="$(window_named Form1)"
sleep 1
xdotool windowfocus --sync "$form" key Tab space
report="$(window_named 'Метод секущих: ошибка')"
sleep 1
mkdir -p docs
xwd -silent -id "$report" -out "$work/report.xwd"
convert "xwd:$work/report.xwd" docs/report-windows.png
xdotool windowfocus --sync "$report" key Return
echo "wrote docs/report-windows.png"
