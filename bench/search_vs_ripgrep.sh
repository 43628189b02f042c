#!/usr/bin/env bash
# Times the whole search on one tree against the read floor (a program that
# only collects and reads the same candidates, bench/read_floor.cpp) and
# against ripgrep, with a warm cache and, where the page cache can be dropped
# (root), with a cold one; then the collecting phase alone against find, and
# the search's peak memory. Prints the best wall time of RUNS runs of each,
# its CPU time (user + system) beside it, and the ratios.
# usage: bench/search_vs_ripgrep.sh TREE [KEYWORD] [RUNS] [THREADS]
# Build first: cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
#              cmake --build build-bench --target plotsieve-cli read_floor
# COLD=0 skips the cold runs (they drop the whole machine's page cache).
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:?usage: bench/search_vs_ripgrep.sh TREE [KEYWORD] [RUNS] [THREADS]}
keyword=${2:-排煙窓}
runs=${3:-3}
threads=${4:-$(nproc)}
bash scripts/install-deps.sh ripgrep time
cli=${PLOTSIEVE_CLI:-build-bench/cli/plotsieve-cli}
floor=${PLOTSIEVE_READ_FLOOR:-build-bench/bench/read_floor}
measure=$(mktemp)
trap 'rm -f "$measure"' EXIT

cold_possible=0
if [ "${COLD:-1}" != 0 ] && [ -w /proc/sys/vm/drop_caches ]; then cold_possible=1; fi
drop_cache() {
    sync
    echo 3 >/proc/sys/vm/drop_caches
}
warm_cache() {
    find "$tree" -type f -print0 | xargs -0 cat >/dev/null 2>&1 || true
}

# One run of a command ("cold" drops the page cache first), as
# "WALL CPU PEAK_KB".
run() {
    local mode=$1
    shift
    if [ "$mode" = cold ]; then drop_cache; fi
    /usr/bin/time -o "$measure" -f '%e %U %S %M' "$@" >/dev/null 2>/dev/null || true
    tail -n 1 "$measure" | awk '{printf "%s %.2f %d\n", $1, $2 + $3, $4}'
}

# The better of two "WALL CPU PEAK_KB" lines (the lower wall time).
better() {
    if [ -z "$1" ]; then echo "$2"; return; fi
    awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, " "); split(b, y, " ");
        print (y[1] + 0 < x[1] + 0) ? b : a }'
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0) ? a / b : 0 }'; }

files=$(find "$tree" -type f | wc -l)
bytes=$(du -sb "$tree" | cut -f1)
echo "tree: $files files, $((bytes / 1000000)) MB; keyword $keyword; $threads threads; best of $runs"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

modes=(warm)
[ "$cold_possible" = 1 ] && modes+=(cold)
for mode in "${modes[@]}"; do
    [ "$mode" = warm ] && warm_cache
    # The three programs take turns, so that each meets the same load.
    floor_best="" ours_best="" rg_best=""
    for _ in $(seq "$runs"); do
        floor_best=$(better "$floor_best" "$(run "$mode" "$floor" "$tree" "$threads")")
        ours_best=$(better "$ours_best" "$(run "$mode" "$cli" search --no-cache --threads "$threads" \
            -k "$keyword" --format paths0 "$tree")")
        rg_best=$(better "$rg_best" "$(run "$mode" rg -j "$threads" -E sjis -i -l "$keyword" "$tree")")
    done
    read -r floor_wall floor_cpu _ <<<"$floor_best"
    read -r ours_wall ours_cpu ours_peak <<<"$ours_best"
    read -r rg_wall rg_cpu _ <<<"$rg_best"
    echo "$mode: read floor $floor_wall s (cpu $floor_cpu s), search $ours_wall s (cpu $ours_cpu s," \
        "peak $((ours_peak / 1024)) MB), ripgrep $rg_wall s (cpu $rg_cpu s)"
    echo "$mode: search / read floor $(ratio "$ours_wall" "$floor_wall")," \
        "search / ripgrep $(ratio "$ours_wall" "$rg_wall")" \
        "(cpu: $(ratio "$ours_cpu" "$floor_cpu"), $(ratio "$ours_cpu" "$rg_cpu"))"
done
[ "$cold_possible" = 1 ] || echo "cold: not measured (dropping the page cache needs root)"
warm_cache

# The collecting phase alone, as the search times it (--timing), best of RUNS.
collect=999999
for _ in $(seq "$runs"); do
    t=$("$cli" search --no-cache --timing -k "$keyword" --format paths0 "$tree" 2>&1 >/dev/null |
        sed -n 's/^collecting: \([0-9.]*\) s$/\1/p')
    collect=$(echo "$t $collect" | awk '{print ($1 < $2) ? $1 : $2}')
done
find_best=""
for _ in $(seq "$runs"); do
    find_best=$(better "$find_best" "$(run warm find "$tree" -type f '(' -iname '*.dxf' \
        -o -iname '*.dwg' -o -iname '*.jw[ckw]' -o -iname '*.mcd' -o -iname '*.mp[pxz]' ')')")
done
read -r find_time _ <<<"$find_best"
echo "collecting: plotsieve $collect s, find $find_time s, ratio $(ratio "$collect" "$find_time")"

hits=$("$cli" search --no-cache --threads "$threads" -k "$keyword" --format paths0 "$tree" 2>/dev/null |
    tr -cd '\0' | wc -c)
rg_hits=$(rg -E sjis -i -l "$keyword" "$tree" | wc -l)
echo "hits: plotsieve $hits, ripgrep $rg_hits"
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
