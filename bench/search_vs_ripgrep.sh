#!/usr/bin/env bash
# Times, on one tree with a warm cache, the whole search against ripgrep and
# the collecting phase alone against find. Prints wall times and ratios.
# usage: bench/search_vs_ripgrep.sh TREE [KEYWORD] [RUNS]
# Build first: cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
#              cmake --build build-bench --target plotsieve-cli
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:?usage: bench/search_vs_ripgrep.sh TREE [KEYWORD] [RUNS]}
keyword=${2:-排煙窓}
runs=${3:-3}
bash scripts/install-deps.sh ripgrep time
cli=${PLOTSIEVE_CLI:-build-bench/cli/plotsieve-cli}

# Best wall time of RUNS runs of a command, in seconds.
best() {
    local best_time=999999 t
    for _ in $(seq "$runs"); do
        t=$( { /usr/bin/time -f '%e' "$@" >/dev/null 2>/dev/null; } 2>&1 | tail -n 1)
        best_time=$(echo "$t $best_time" | awk '{print ($1 < $2) ? $1 : $2}')
    done
    echo "$best_time"
}

# Warm the cache.
cat $(find "$tree" -type f) >/dev/null 2>&1 || find "$tree" -type f -exec cat {} + >/dev/null

files=$(find "$tree" -type f | wc -l)
bytes=$(du -sb "$tree" | cut -f1)
echo "tree: $files files, $((bytes / 1000000)) MB; keyword $keyword; best of $runs"

ours=$(best "$cli" search -k "$keyword" --format paths0 "$tree")
theirs=$(best rg -E sjis -i -l "$keyword" "$tree")
echo "whole search: plotsieve $ours s, ripgrep $theirs s, ratio $(echo "$ours $theirs" | awk '{printf "%.2f", $1/$2}')"

# The collecting phase alone: a keyword list that matches nothing needs no
# file read, so the search is the walk plus one status read per candidate.
collect=$(best "$cli" search -k '|' --format paths0 "$tree")
find_time=$(best find "$tree" -type f '(' -iname '*.dxf' -o -iname '*.dwg' -o -iname '*.jwc' \
    -o -iname '*.jwk' -o -iname '*.mcd' -o -iname '*.mpp' -o -iname '*.mpx' -o -iname '*.mpz' ')')
echo "collecting: plotsieve $collect s, find $find_time s, ratio $(echo "$collect $find_time" | awk '{printf "%.2f", $1/$2}')"

peak=$( { /usr/bin/time -f '%M' "$cli" search -k "$keyword" --format paths0 "$tree" >/dev/null 2>/dev/null; } 2>&1 | tail -n 1)
echo "peak memory of the whole search: $((peak / 1024)) MB"
hits=$("$cli" search -k "$keyword" --format paths0 "$tree" 2>/dev/null | tr -cd '\0' | wc -c)
rg_hits=$(rg -E sjis -i -l "$keyword" "$tree" | wc -l)
echo "hits: plotsieve $hits, ripgrep $rg_hits"
