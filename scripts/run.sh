#!/usr/bin/env bash
# Builds the programmer and starts it on the simulated board (extra arguments go to it).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
if [[ -x build/src/gui/quorbit ]]; then
    if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
        echo "No display found: starting the window under Xvfb" >&2
        exec xvfb-run -a build/src/gui/quorbit --backend sim "$@"
    fi
    exec build/src/gui/quorbit --backend sim "$@"
fi
exec build/src/quorbit-cli --backend sim detect "$@"
