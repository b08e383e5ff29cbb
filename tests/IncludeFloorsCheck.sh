#!/bin/bash
# The include-order check itself, on a small tree of its own: it must refuse an
# upward include, and an allowlist line that no longer names one.
#   IncludeFloorsCheck.sh INCLUDE_FLOORS_SCRIPT
set -u
script=${1:?the include-order script}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# expect pass|fail WHAT: runs the check on $work/src and $work/allow.
expect() {
    local want=$1 what=$2 got=pass
    bash "$script" "$work/src" "$work/allow" >"$work/said" 2>&1 || got=fail
    if [[ $got != "$want" ]]; then
        echo "expected the check to $want on $what, it did $got:" >&2
        cat "$work/said" >&2
        failures=$((failures + 1))
    fi
}

mkdir -p "$work/src"/{hw,app,ops,sim,cli,gui}
printf '#pragma once\n' >"$work/src/app/State.h"
printf '#include "hw/Board.h"\n#include "app/State.h"\n' >"$work/src/app/State.cpp"
printf '#include "app/State.h"\n#include "sim/SimBoard.h"\n' >"$work/src/cli/Main.cpp"
printf '#include "hw/PortIo.h"\n' >"$work/src/sim/SimBoard.h"
: >"$work/allow"
expect pass "downward includes only"

printf '  #  include "app/State.h" // why\n' >"$work/src/hw/Board.cpp"
expect fail "hw including app"
printf '# waiting to be undone\nhw/Board.cpp app/State.h\n' >"$work/allow"
expect pass "an upward include the allowlist names"
rm "$work/src/hw/Board.cpp"
expect fail "an allowlist line whose include is gone"
: >"$work/allow"

for bad in 'sim/Chip.cpp ops/Read.h' 'ops/Read.cpp sim/SimBoard.h' 'gui/View.cpp cli/Main.h' \
    'cli/Main.h gui/View.h' 'app/State.h ops/Read.h'; do
    set -- $bad
    printf '#include "%s"\n' "$2" >"$work/src/$1"
    expect fail "$1 including $2"
    rm "$work/src/$1"
done
expect pass "the tree put back"

mkdir "$work/src/extra"
expect fail "a folder without a floor"
exit $((failures > 0))
