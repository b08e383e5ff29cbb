#!/usr/bin/env bash
# The quick test: installs what is missing, builds everything and runs the whole
# test suite (the window's tests run headless). The slower checks are scripts of
# their own, run by .ci/run: scripts/sanitize.sh, scripts/fuzz.sh and
# scripts/package.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$(nproc)"
