#!/usr/bin/env bash
# Builds the core, the command line, the window and their tests with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and runs the tests there. Any report
# fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --no-build
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORBIT_SANITIZE=ON \
    -DQUORBIT_BENCH=OFF >/dev/null
cmake --build build-asan -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The seeded-fault test samples fewer seeds here: it looks for memory faults.
export QUORBIT_SEEDED_BYTES=100000
ctest --test-dir build-asan --output-on-failure -j "$(nproc)"
