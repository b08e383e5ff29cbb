#!/usr/bin/env bash
# Builds the core and the tests of threads (chip operations on their own thread,
# the stop slots, several boards at once) with ThreadSanitizer into build-tsan/
# and runs them. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORBIT_TSAN=ON -DQUORBIT_GUI=OFF \
    -DQUORBIT_BENCH=OFF >/dev/null
cmake --build build-tsan --target quorbit_thread_tests -j "$(nproc)"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
# The stop landing on every access is the whole suite's: it takes minutes here.
build-tsan/tests/quorbit_thread_tests --gtest_filter='-StopRequest.WhereverItLands*'
