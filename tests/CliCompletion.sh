#!/usr/bin/env bash
# The bash completion of quorbit-cli, as bash calls it: COMP_WORDS and COMP_CWORD
# set, the completion function run, COMPREPLY checked.
# Usage: CliCompletion.sh COMPLETION-SCRIPT QUORBIT-CLI
set -uo pipefail
script=$1
cli=$(realpath "$2")
# shellcheck source=/dev/null
source "$script" || exit 1
failures=0

# complete WORD... : COMPREPLY for the last word, the program first.
complete_words() {
    COMP_WORDS=("$cli" "$@")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _quorbit_cli
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

# expect "WORDS" EXPECTED-LINES: the sorted completions must be exactly these.
expect() {
    local words=$1 expected=$2 got
    read -ra list <<<"$words"
    [[ -z $words || $words == *" " ]] && list+=("")
    got=$(complete_words "${list[@]}")
    if [[ $got != "$expected" ]]; then
        echo "FAIL: '$words' completed to [${got//$'\n'/ }], expected [${expected//$'\n'/ }]"
        failures=$((failures + 1))
    fi
}

# Verbs, and setup's one sub-verb.
expect "pro" "program"
expect "" "$(printf '%s\n' batch blank detect devices erase id program read setup sum verify)"
expect "batch --serial-f" "--serial-file"
expect "setup s" "save"
# An option's value is not taken for the verb ("blank" is the trace file here).
expect "--trace blank re" "read"
expect "-d 27C256 bl" "blank"
# Options of the verb and the global ones after it.
expect "program --veri" "--verify-after"
expect "erase --fo" "--force"
expect "read --f" "--fast
--format"
expect "blank --f" "--fast"
expect "blank --sim-c" "--sim-chip"
expect "setup save 1 --na" "--name"
# The options of several verbs before the verb too, and a value's word skipped.
expect "--forc" "--force"
expect "--no-v" "$(printf '%s\n' --no-verify --no-verify-after)"
expect "--speed 5 --no-b" "--no-blank-first"
expect "--speed 5 pro" "program"
expect "--offset 4000 verify --o" "--offset"
# Option values.
expect "--backend s" "sim"
expect "--bytes " "$(printf '%s\n' both hi low)"
expect "program --voltage 2" "$(printf '%s\n' 21 25)"
# Device names from the program's own catalog: only rows that can be chosen.
expect "blank -d 27C25" "$(printf '%s\n' 27C256 27C259)"
expect "blank -d AT29" "AT29C256"
expect "blank -d 24C" "$(printf '%s\n' 24C08 24C128 24C16 24C256 24C32 24C64)"
expect "blank -d SST" "$(printf '%s\n' SST39SF010A SST39SF020A SST39SF040)"
expect "blank -d 2716" ""
expect "blank --device = 27C01" "27C010"
expect "--sim-chip no" "none"

# Files: the image of verify and program, read's output.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch image.bin image.hex notes.txt
mkdir images
expect "verify -d 27C256 ima" "$(printf '%s\n' image.bin image.hex images)"
expect "read -d 27C256 -o not" "notes.txt"
expect "--config-dir im" "images"
expect "detect im" ""

# The list of every option named in --help is offered somewhere.
help=$("$cli" --help; for verb in read verify program; do "$cli" "$verb" --help; done)
offered=$(complete_words -; for verb in read verify program; do complete_words "$verb" -; done)
for option in $(grep -oE '(^|[ ,])--?[a-z0-9][a-z0-9-]*' <<<"$help" | tr -d ' ,' | sort -u); do
    grep -qx -- "$option" <<<"$offered" || {
        echo "FAIL: option $option of --help is never offered"
        failures=$((failures + 1))
    }
done

if ((failures)); then
    echo "$failures completion check(s) failed"
    exit 1
fi
echo "all completion checks passed"
