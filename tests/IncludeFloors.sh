#!/bin/bash
# The folders of src/ stand on floors: a file includes its own folder's headers and
# those of the floors below, never one above. Usage:
#   IncludeFloors.sh SRC_DIR ALLOWLIST
# Fails on an upward include that the allowlist does not name, and on an allowlist
# line whose include is gone, so the list of the ones still waiting to be undone
# stays exact and can only shrink.
set -u

src=${1:?source folder}
allowlist=${2:?allowlist file}

# Lowest first. Folders on one line share a floor and do not include each other.
floors=(
    "state"       # the program state's types by owner: plain data, no behaviour above it
    "hw"          # the board, its ports and backends, the stop, files no wait can hang
    "app"         # the program state, the window's control model, the log and alert
    "link"        # the board found and required, the port file and base, a real port's timing guards
    "buffers"     # code and data buffers, image files, the display, the image a chip takes
    "catalog"     # the devices and what choosing one configures
    "ops"         # the chip routines
    "setups"      # the setup slots and files
    "session"     # the backend opened, the options both front ends share
    "cli gui"     # the two front ends
)
# The simulated board is a port backend beside hw, not a floor of the program: it
# builds on the port interface and knows the chips by their catalog rows, but
# neither the program state nor the routines, which in turn cannot tell it from a
# real board. Only what chooses the backend knows it.
sim_includes="state hw catalog"
sim_included_by="session cli gui"

declare -A floor_of
for level in "${!floors[@]}"; do
    for folder in ${floors[$level]}; do floor_of[$folder]=$level; done
done

contains() { [[ " $1 " == *" $2 "* ]]; }

# May a file in folder $1 include a header of folder $2?
allowed() {
    local from=$1 to=$2
    [[ $from == "$to" ]] && return 0
    [[ $from == sim ]] && { contains "$sim_includes" "$to"; return; }
    [[ $to == sim ]] && { contains "$sim_included_by" "$from"; return; }
    ((floor_of[$to] < floor_of[$from]))
}

status=0
fail() {
    echo "$*" >&2
    status=1
}

for dir in "$src"/*/; do
    folder=$(basename "$dir")
    [[ $folder == sim || -n ${floor_of[$folder]:-} ]] || fail "src/$folder has no floor: give it one in $0"
done

# "file include" for every upward include found, as the allowlist writes them.
found=$(
    cd "$src" || exit 2
    grep -rHE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]+/' . |
        sed -E 's|^\./([^:]*):[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*|\1 \2|' | sort -u
) || exit 2

upward=()
while read -r file header; do
    [[ -z $file ]] && continue
    from=${file%%/*} to=${header%%/*}
    [[ $to == sim || -n ${floor_of[$to]:-} ]] || continue # not one of ours
    [[ $from == sim || -n ${floor_of[$from]:-} ]] || continue # said above
    allowed "$from" "$to" || upward+=("$file $header")
done <<<"$found"

declare -A listed
while read -r file header rest; do
    [[ -z $file || $file == \#* ]] && continue
    listed["$file $header"]=1
done <"$allowlist"

for entry in "${upward[@]}"; do
    [[ -n ${listed[$entry]:-} ]] && { unset "listed[$entry]"; continue; }
    set -- $entry
    fail "src/$1 includes \"$2\": ${2%%/*} stands above ${1%%/*}"
done
for entry in "${!listed[@]}"; do
    fail "$(basename "$allowlist") lists \"$entry\", which is no upward include now: remove the line"
done
exit $status
