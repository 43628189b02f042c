#!/usr/bin/env bash
# The text cache's worth: first and repeat searches of one tree against find
# over it, with the page cache warm and dropped (dropping needs root), and the
# cache file's size per 1,000 drawings and against the drawings' size.
# usage: bench/cache_vs_find.sh TREE [KEYWORD] [RUNS]
# Build first: cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
#              cmake --build build-bench --target plotsieve-cli
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:?usage: bench/cache_vs_find.sh TREE [KEYWORD] [RUNS]}
keyword=${2:-排煙窓}
runs=${3:-3}
cli=${PLOTSIEVE_CLI:-build-bench/cli/plotsieve-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cache=$work/text-cache.sqlite

can_drop=no
if [ "$(id -u)" -eq 0 ] && sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
    can_drop=yes
fi
drop() { [ "$can_drop" = yes ] && sync && echo 3 >/proc/sys/vm/drop_caches; }
warm() { find "$tree" -type f -print0 | xargs -0 cat >/dev/null 2>&1 || true; }

# Wall time of one command, in seconds.
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    echo "$start $end" | awk '{printf "%.3f", $2 - $1}'
}

# Best of RUNS runs; the command is prepared by $1 (warm or drop) each time.
best() {
    local prepare=$1 best_time=999999 t
    shift
    for _ in $(seq "$runs"); do
        $prepare
        t=$(seconds "$@")
        best_time=$(echo "$t $best_time" | awk '{print ($1 < $2) ? $1 : $2}')
    done
    echo "$best_time"
}

search=("$cli" search -q -k "$keyword" --format paths0 --cache "$cache" "$tree")
first_search() { rm -f "$cache" "$cache"-wal "$cache"-shm; "${search[@]}"; }
finder=(find "$tree" -type f)
# find reading every file's status too, as a search must to tell a changed
# drawing from an unchanged one.
status_finder=(find "$tree" -type f -printf '%s %T@\n')
warm_first() { warm; rm -f "$cache" "$cache"-wal "$cache"-shm; }
drop_first() { rm -f "$cache" "$cache"-wal "$cache"-shm; drop; }

drawings=$("$cli" search -q --no-cache --format paths0 "$tree" | tr -cd '\0' | wc -c)
bytes=$(du -sb "$tree" | cut -f1)
echo "tree: $drawings drawings, $((bytes / 1000000)) MB; keyword $keyword; best of $runs"

warm
find_warm=$(best warm "${finder[@]}")
status_warm=$(best warm "${status_finder[@]}")
first_warm=$(best warm_first "${search[@]}")
"${search[@]}" >/dev/null 2>&1 || true  # fill the cache
repeat_warm=$(best warm "${search[@]}")
echo "warm: find $find_warm s (with statuses $status_warm s), first search $first_warm s," \
    "repeat search $repeat_warm s;" \
    "repeat/find $(echo "$repeat_warm $find_warm" | awk '{printf "%.2f", $1/$2}')," \
    "repeat/find-with-statuses $(echo "$repeat_warm $status_warm" | awk '{printf "%.2f", $1/$2}')"

if [ "$can_drop" = yes ]; then
    find_cold=$(best drop "${finder[@]}")
    status_cold=$(best drop "${status_finder[@]}")
    first_cold=$(best drop_first "${search[@]}")
    "${search[@]}" >/dev/null 2>&1 || true
    repeat_cold=$(best drop "${search[@]}")
    echo "cold: find $find_cold s (with statuses $status_cold s), first search $first_cold s," \
        "repeat search $repeat_cold s;" \
        "repeat/find $(echo "$repeat_cold $find_cold" | awk '{printf "%.2f", $1/$2}')," \
        "repeat/find-with-statuses $(echo "$repeat_cold $status_cold" | awk '{printf "%.2f", $1/$2}')," \
        "first/repeat $(echo "$first_cold $repeat_cold" | awk '{printf "%.1f", $1/$2}')"
else
    echo "cold: not measured (dropping the page cache needs root)"
fi

size=$(($(stat -c %s "$cache") + $(stat -c %s "$cache-wal" 2>/dev/null || echo 0)))
echo "cache: $size bytes, $((size * 1000 / (drawings > 0 ? drawings : 1))) bytes per 1,000" \
    "drawings, $(echo "$size $bytes" | awk '{printf "%.2f", 100 * $1 / $2}') % of the drawings' size"
