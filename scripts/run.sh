#!/usr/bin/env bash
# Installs what is missing, builds the Linux program (alone, without its tests) and starts its
# window on the desktop.
set -euo pipefail
cd "$(dirname "$0")/.."

# Checked first, so that a machine without a desktop learns it before anything is installed.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "scripts/run.sh: no graphical display (neither DISPLAY nor WAYLAND_DISPLAY is set): run it in a desktop session" >&2
    exit 1
fi

scripts/install-deps.sh program
cmake --preset program >/dev/null
cmake --build --preset program
exec build/program/shell/secant-root
