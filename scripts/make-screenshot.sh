#!/usr/bin/env bash
# Makes docs/window.png, the README's picture of the window: runs the program on a private Xvfb
# desktop with the real spreadsheet, types 0.001, clicks the button and captures the window with
# the answer shown.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target window_screenshot
mkdir -p docs
build/linux/tests/e2e/window_screenshot docs/window.png
echo "wrote docs/window.png"
