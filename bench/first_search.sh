#!/usr/bin/env bash
# The first search with an empty text cache against the same search without
# a cache (--no-cache), with the page cache warm and dropped (dropping needs
# root). Each run is timed twice: when the output's reader sees its end (the
# hits and the final line are out; the search then fills the cache with the
# drawings its prefilter passed over) and when the process exits, in rounds of
# one search of each kind (medians of the rounds and of their ratios). After every
# first search the cache must hold a row for every drawing.
# usage: bench/first_search.sh TREE [KEYWORD] [RUNS]
# Build first: cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
#              cmake --build build-bench --target plotsieve-cli
set -euo pipefail
cd "$(dirname "$0")/.."
tree=${1:?usage: bench/first_search.sh TREE [KEYWORD] [RUNS]}
keyword=${2:-排煙窓}
runs=${3:-7}
cli=${PLOTSIEVE_CLI:-build-bench/cli/plotsieve-cli}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cache=$work/text-cache.sqlite

can_drop=no
if [ "$(id -u)" -eq 0 ] && sync && echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; then
    can_drop=yes
fi
drop() { sync && echo 3 >/proc/sys/vm/drop_caches; }
warm() { find "$tree" -type f -print0 | xargs -0 cat >/dev/null 2>&1 || true; }
clear_cache() { rm -f "$cache" "$cache"-wal "$cache"-shm; }

# One run: "OUTPUT EXIT" in seconds, the output's end as its reader sees it.
timed() {
    local start end
    start=$(date +%s.%N)
    "$@" 2>/dev/null | { cat >/dev/null; date +%s.%N >"$work/eof"; } || true
    end=$(date +%s.%N)
    echo "$start $(cat "$work/eof") $end" | awk '{printf "%.3f %.3f\n", $2 - $1, $3 - $1}'
}

drawings=$("$cli" search -q --no-cache --format paths0 "$tree" | tr -cd '\0' | wc -c)
rows() { "$cli" cache stats --cache "$cache" | awk '/^rows:/ {print $2}'; }

# One first search into an empty cache, checked to leave a row for every
# drawing: "OUTPUT EXIT".
first() {
    clear_cache
    $1
    timed "$cli" search -q -k "$keyword" --format paths0 --cache "$cache" "$tree"
    local filled
    filled=$(rows)
    [ "$filled" = "$drawings" ] || echo "  the cache holds $filled rows of $drawings drawings" >&2
}
plain() {
    $1
    timed "$cli" search -q -k "$keyword" --format paths0 --no-cache "$tree"
}

# The middle of a list of numbers.
median() { sort -n | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

echo "tree: $drawings drawings, $(($(du -sb "$tree" | cut -f1) / 1000000)) MB; keyword $keyword;" \
    "$runs rounds; load $(cut -d' ' -f1-3 /proc/loadavg)"
for temperature in warm cold; do
    if [ "$temperature" = cold ] && [ "$can_drop" != yes ]; then
        echo "cold: not measured (dropping the page cache needs root)"
        continue
    fi
    prepare=$([ "$temperature" = warm ] && echo true || echo drop)
    [ "$temperature" = warm ] && warm
    # Rounds of one search of each kind, side by side, so that both meet the
    # same load; the ratios are taken round by round.
    : >"$work/rounds"
    for _ in $(seq "$runs"); do
        read -r po pe < <(plain "$prepare")
        read -r fo fe < <(first "$prepare")
        echo "$po $pe $fo $fe" >>"$work/rounds"
        echo "  --no-cache $po s (exit $pe s), first $fo s (exit $fe s)" >&2
    done
    column() { awk "{print \$$1}" "$work/rounds" | median; }
    ratio() { awk "{print \$$1 / \$$2}" "$work/rounds" | median | awk '{printf "%.2f", $1}'; }
    echo "$temperature: median --no-cache $(column 1) s (exit $(column 2) s);" \
        "first search $(column 3) s (exit $(column 4) s);" \
        "first/no-cache $(ratio 3 1) (exit $(ratio 4 2))"
done
size=$(($(stat -c %s "$cache") + $(stat -c %s "$cache-wal" 2>/dev/null || echo 0)))
echo "cache: $(rows) rows, $size bytes, $((size * 1000 / (drawings > 0 ? drawings : 1))) bytes per 1,000 drawings"
