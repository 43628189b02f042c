#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one, sharing TOTAL
# seconds among them (at least 2 s each). A finding fails the script; the
# crashing input is left in build-fuzz/findings/.
# Usage: scripts/fuzz.sh [TOTAL_SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-20}
shift || true
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPLOTSIEVE_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in fuzz/fuzz_*.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi
each=$(( total / ${#targets[@]} ))
[ "$each" -ge 2 ] || each=2
fixtures=$(cmake -L -N build-fuzz 2>/dev/null | sed -n 's/^PLOTSIEVE_FIXTURES_DIR:PATH=//p')

mkdir -p build-fuzz/findings
for target in "${targets[@]}"; do
    corpus=build-fuzz/corpus/$target
    mkdir -p "$corpus"
    seeds=(samples)
    [ -d "$fixtures" ] && seeds+=("$fixtures")
    find "${seeds[@]}" -type f ! -name '*.py' -size -2M -exec cp -n {} "$corpus"/ \; 2>/dev/null || true
    echo "-- $target: $each s"
    status=0
    build-fuzz/fuzz/"$target" -max_total_time="$each" -max_len=1048576 -timeout=10 \
        -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix=build-fuzz/findings/ \
        "$corpus" >build-fuzz/"$target".log 2>&1 || status=$?
    grep -E '^(stat::number_of_executed_units|SUMMARY)' build-fuzz/"$target".log || true
    if [ "$status" -ne 0 ]; then
        tail -n 40 build-fuzz/"$target".log >&2
        echo "fuzz target $target found a fault" >&2
        exit 1
    fi
done
