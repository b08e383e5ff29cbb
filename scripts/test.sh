#!/usr/bin/env bash
# Builds everything and runs the whole test suite (GUI tests run headless), then
# the same core and command-line tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, then every fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j "$(nproc)"
scripts/sanitize.sh
scripts/fuzz.sh
