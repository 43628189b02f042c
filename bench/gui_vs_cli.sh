#!/usr/bin/env bash
# The desktop window's search against the command line's on the same tree,
# with a warm cache, best of RUNS each, and the window's answers during a
# search (clicks, stop, close). Prints the figures and the ratio of the
# search times: first for KEYWORD, then for the search without a keyword,
# which lists every drawing (nearly every candidate a row).
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
bash scripts/install-deps.sh xvfb xauth

# Warm the cache.
find "$tree" -type f -exec cat {} + >/dev/null

# The command line runs in turn with the window's searches, inside
# gui_timing, so that both meet the same load.
for words in "$keyword" ""; do
    echo "== keyword: ${words:-(none: every drawing)}"
    PLOTSIEVE_CLI="$PWD/$build/cli/plotsieve-cli" \
        xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bench/gui_timing" "$tree" "$words" "$runs"
done
