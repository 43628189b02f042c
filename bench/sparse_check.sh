#!/usr/bin/env bash
# The memory check of a search over drawings of gigabytes: a tree holding
# sparse files named like drawings (a disk image saved as .dwg, a survey
# export as .dxf: gigabytes of zeros that take no disk) and one small drawing
# that holds the keyword. Prints the search's time, peak resident memory and
# hits; the search must end with the one hit, in seconds, within its budget
# (100 MB plus 16 MB a thread).
# usage: bench/sparse_check.sh [SIZE] [COUNT] [THREADS]
#   SIZE of each sparse file as truncate takes it (default 12G), COUNT of them
#   (default 3, named .dxf, .dwg, .dxf, ...), THREADS for the search (default
#   one per core). Build first:
#   cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release
#   cmake --build build-bench --target plotsieve-cli
set -euo pipefail
cd "$(dirname "$0")/.."
size=${1:-12G}
count=${2:-3}
threads=${3:-$(nproc)}
cli=${PLOTSIEVE_CLI:-build-bench/cli/plotsieve-cli}
bash scripts/install-deps.sh time
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

names=(dxf dwg)
for k in $(seq "$count"); do
    extension=${names[$(((k - 1) % 2))]}
    truncate -s "$size" "$tree/huge_$k.$extension"
done
printf '  0\nSECTION\n  2\nENTITIES\n  0\nTEXT\n  1\nsparse check hit\n  0\nENDSEC\n  0\nEOF\n' \
    >"$tree/small.dxf"
echo "tree: $count sparse files of $size ($(du -sh "$tree" | cut -f1) on disk) and small.dxf"

budget=$((100 + 16 * threads))
# A keyword in the small drawing, and one (a kanji) that the prefilter looks
# for in every drawing.
for keyword in "sparse check" "排煙窓|sparse"; do
    measure=$(mktemp)
    /usr/bin/time -o "$measure" -f '%e %M' "$cli" search --no-cache --threads "$threads" \
        -k "$keyword" --format paths0 "$tree" >"$measure.out" 2>/dev/null || true
    read -r seconds peak < <(tail -n 1 "$measure")
    hits=$(tr '\0' '\n' <"$measure.out" | sed 's|.*/||' | paste -sd ' ')
    echo "keyword \"$keyword\": $seconds s, peak $((peak / 1024)) MB (budget $budget MB)," \
        "hits: ${hits:-none}"
    rm -f "$measure" "$measure.out"
done
