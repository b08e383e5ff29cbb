#!/usr/bin/env bash
# Runs the session-sequence property test with fresh seeds for SEQUENCE_SECONDS
# (default 300): each round is 200 random window sessions of up to 60 steps
# checked against the reference model. A failure prints the shrunk steps and the
# RC_PARAMS line that replays them, and fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${SEQUENCE_SECONDS:-300}
cmake --build build --target quorbit_tests -j "$(nproc)" >/dev/null
export QT_QPA_PLATFORM=offscreen
rounds=0
end=$((SECONDS + seconds))
while ((SECONDS < end)); do
    seed=$(od -An -N8 -tu8 /dev/urandom | tr -d ' ')
    if ! RC_PARAMS="seed=$seed max_success=200 max_size=60" \
        build/tests/quorbit_tests --gtest_filter='SessionSequences.*' >build/sequences.log 2>&1; then
        grep -v '^$' build/sequences.log | tail -60
        echo "session sequences: FAILED with seed $seed (see build/sequences.log)"
        exit 1
    fi
    rounds=$((rounds + 1))
done
echo "session sequences: $((rounds * 200)) sessions of up to 60 steps in ${seconds} s, 0 failures"
