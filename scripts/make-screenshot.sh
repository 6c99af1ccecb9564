#!/usr/bin/env bash
# Makes docs/window.png and docs/report-linux.png, the README's pictures of the window and of its
# error report: runs the program on a private Xvfb desktop with the real spreadsheet, types 0.001,
# clicks the button and captures the window with the answer shown, then in a second run types
# 0,001 with a comma, clicks and captures the report.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target window_screenshot
mkdir -p docs
build/linux/tests/e2e/window_screenshot docs/window.png docs/report-linux.png
echo "wrote docs/window.png and docs/report-linux.png"
