#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for
# FUZZ_SECONDS (default 60) from its committed seed corpus (fuzz/corpus/<target>).
# New inputs go to a scratch copy, so the committed corpus stays as it is; a crash
# fails the run and leaves its input in build-fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
scripts/setup.sh --no-build clang libfuzzer-14-dev libclang-rt-14-dev
CXX=clang++ CC=clang cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUORBIT_FUZZ=ON -DQUORBIT_GUI=OFF -DQUORBIT_TESTS=OFF -DQUORBIT_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"

mkdir -p build-fuzz/crashes
summary=()
status=0
for target in build-fuzz/fuzz/*_fuzz; do
    name=$(basename "$target" _fuzz)
    scratch=$(mktemp -d)
    cp -r "fuzz/corpus/$name/." "$scratch/" 2>/dev/null || true
    log=build-fuzz/$name.log
    if "$target" -max_total_time="$seconds" -print_final_stats=1 -timeout=10 \
        -artifact_prefix="build-fuzz/crashes/$name-" "$scratch" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        summary+=("$name: ${runs:-?} executions in ${seconds} s")
    else
        summary+=("$name: FAILED (see $log)")
        tail -40 "$log"
        status=1
    fi
    rm -rf "$scratch"
done
printf '%s\n' "${summary[@]}"

# The session sequences get the same kind of budget: many more random sessions
# than the suite runs.
scripts/sequences.sh || status=1
exit $status
