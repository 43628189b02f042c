#!/usr/bin/env bash
# The bash completion of plotsieve-cli, driven as bash drives it: COMP_WORDS
# split at "=" as readline splits them, the function called, COMPREPLY read.
# Usage: bash_completion_test.sh COMPLETION_FILE
set -uo pipefail
source "$1"
failures=0

# Completes the words given (the last one being completed) and prints the
# candidates, one a line, sorted.
complete_words() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _plotsieve_cli 2>/dev/null
    [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort
}

expect() {
    local want=$1
    shift
    local got
    got=$(complete_words "$@")
    if [ "$got" != "$want" ]; then
        echo "FAIL: completing '$*': got [$got], want [$want]" >&2
        failures=$((failures + 1))
    fi
}

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
mkdir "$folder/plans"
touch "$folder/a.dxf" "$folder/B.DWG" "$folder/notes.txt"
cd "$folder"

expect extract plotsieve-cli ex
expect search plotsieve-cli s
expect --format= plotsieve-cli search --form
expect json plotsieve-cli search --format j
expect json plotsieve-cli search --format = j
expect $'paths\npaths0' plotsieve-cli search --format=pa
expect size plotsieve-cli search --sort si
expect $'dxf,dra\ndxf,dwg' plotsieve-cli search --types dxf,d
expect dxf,dwg,dra plotsieve-cli search --types dxf,dwg,d
expect dxf,sxf plotsieve-cli search --types dxf,s
expect '' plotsieve-cli search -k ""
expect --show-match plotsieve-cli search --show
# A place: folders and drawings, not other files.
expect $'B.DWG\na.dxf\nplans' plotsieve-cli search ""
expect --raw plotsieve-cli extract --r
expect MTEXT plotsieve-cli extract --kinds MT
expect TEXT,MTEXT plotsieve-cli extract --kinds TEXT,MT
expect index plotsieve-cli in
expect stats plotsieve-cli cache st
expect --cache-read-only plotsieve-cli search --cache-r
expect plans plotsieve-cli index ""

if [ "$failures" -ne 0 ]; then
    echo "$failures failed" >&2
    exit 1
fi
echo "bash completion: all passed"
