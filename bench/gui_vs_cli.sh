#!/usr/bin/env bash
# The desktop window's search against the command line's on the same tree,
# with a warm cache, and the window's answers during a search (clicks, stop,
# close). Prints the figures and the ratio of the search times.
# usage: bench/gui_vs_cli.sh TREE [KEYWORD] [RUNS]
#   make a tree first: python3 bench/make_tree.py /tmp/tree 5000
# Build first: cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
#              cmake --build build-bench --target plotsieve-cli gui_timing
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:?usage: bench/gui_vs_cli.sh TREE [KEYWORD] [RUNS]}
keyword=${2:-排煙窓}
runs=${3:-3}
build=${PLOTSIEVE_BUILD:-build-bench}
bash scripts/install-deps.sh time xvfb xauth
measure=$(mktemp)
trap 'rm -f "$measure"' EXIT

# Warm the cache.
find "$tree" -type f -exec cat {} + >/dev/null

best=999999
for _ in $(seq "$runs"); do
    /usr/bin/time -o "$measure" -f '%e' "$build/cli/plotsieve-cli" search -k "$keyword" \
        --format paths0 "$tree" >/dev/null 2>&1 || true
    t=$(tail -n 1 "$measure")
    best=$(echo "$t $best" | awk '{print ($1 < $2) ? $1 : $2}')
done
echo "command line: best $best s"

output=$(xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/gui_timing" "$tree" "$keyword" "$runs")
echo "$output"
gui=$(echo "$output" | sed -n 's/^gui search: best \([0-9.]*\) s$/\1/p')
echo "ratio gui / command line: $(echo "$gui $best" | awk '{printf "%.2f", $1/$2}')"
