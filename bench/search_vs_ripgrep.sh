#!/usr/bin/env bash
# Times, on one tree with a warm cache, the whole search against ripgrep and
# the collecting phase alone against find. Prints wall times and ratios.
# usage: bench/search_vs_ripgrep.sh TREE [KEYWORD] [RUNS]
# find's time is its whole process; the collecting phase is timed inside the
# search (from its first status text to its first progress text).
# Build first: cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
#              cmake --build build-bench --target plotsieve-cli
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:?usage: bench/search_vs_ripgrep.sh TREE [KEYWORD] [RUNS]}
keyword=${2:-排煙窓}
runs=${3:-3}
bash scripts/install-deps.sh ripgrep time
cli=${PLOTSIEVE_CLI:-build-bench/cli/plotsieve-cli}
measure=$(mktemp)
trap 'rm -f "$measure"' EXIT

# Best wall time of RUNS runs of a command, in seconds.
best() {
    local best_time=999999 t
    for _ in $(seq "$runs"); do
        /usr/bin/time -o "$measure" -f '%e' "$@" >/dev/null 2>/dev/null || true
        t=$(tail -n 1 "$measure")
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

# The collecting phase alone, as the search times it (--timing), best of RUNS.
collect=999999
for _ in $(seq "$runs"); do
    t=$("$cli" search --timing -k "$keyword" --format paths0 "$tree" 2>&1 >/dev/null |
        sed -n 's/^collecting: \([0-9.]*\) s$/\1/p')
    collect=$(echo "$t $collect" | awk '{print ($1 < $2) ? $1 : $2}')
done
find_time=$(best find "$tree" -type f '(' -iname '*.dxf' -o -iname '*.dwg' -o -iname '*.jwc' \
    -o -iname '*.jwk' -o -iname '*.mcd' -o -iname '*.mpp' -o -iname '*.mpx' -o -iname '*.mpz' ')')
echo "collecting: plotsieve $collect s, find $find_time s, ratio $(echo "$collect $find_time" | awk '{printf "%.2f", $1/$2}')"

/usr/bin/time -o "$measure" -f '%M' "$cli" search -k "$keyword" --format paths0 "$tree" >/dev/null 2>&1
peak=$(tail -n 1 "$measure")
echo "peak memory of the whole search: $((peak / 1024)) MB"
hits=$("$cli" search -k "$keyword" --format paths0 "$tree" 2>/dev/null | tr -cd '\0' | wc -c)
rg_hits=$(rg -E sjis -i -l "$keyword" "$tree" | wc -l)
echo "hits: plotsieve $hits, ripgrep $rg_hits"
