#!/usr/bin/env bash
# --help and --version of each program, with no display and no Qt platform named:
# both answer on standard output, exit 0 and say nothing on standard error (no
# platform plugin is looked for).
# Usage: HelpWithoutDisplay.sh VERSION PROGRAM...
set -uo pipefail
version=$1
shift
failures=0
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}
for program in "$@"; do
    name=$(basename "$program")
    for flag in --help --version; do
        out=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$program" "$flag" 2>"$errors")
        status=$?
        err=$(cat "$errors")
        ((status == 0)) || fail "$name $flag exited $status: $err"
        [[ -z $err ]] || fail "$name $flag wrote on standard error: $err"
        if [[ $flag == --help ]]; then
            [[ $out == *"Usage: "* && $out == *"--version"* ]] || fail "$name --help lists no usage: $out"
            [[ $out == *$'Licence:\n'*GPL-3.0-or-later* ]] || fail "$name --help has no licence: $out"
        else
            [[ $out == "$name (QUORBIT) $version"$'\n'* ]] || fail "$name --version printed: $out"
            [[ $out == *"GPL-3.0-or-later"* ]] || fail "$name --version names no licence: $out"
        fi
    done
done
if ((failures)); then
    echo "$failures check(s) failed"
    exit 1
fi
echo "--help and --version answered without a display by: $*"
