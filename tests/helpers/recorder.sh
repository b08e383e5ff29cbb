#!/bin/sh
# Appends every request line to $1 and answers reads with $2 (default 5A).
log="$1"
answer="${2:-5A}"
while IFS= read -r line; do
    printf '%s\n' "$line" >>"$log"
    case "$line" in
    I*) printf '%s\n' "$answer" ;;
    esac
done
