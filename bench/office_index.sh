#!/usr/bin/env bash
# The office index's figures: the build rate of `plotsieve-cli index --to`
# over a warm tree of real files (bench/make_tree.py), then the size, the
# search latency and 20 clients at once over an index of DRAWINGS generated
# drawings (bench/office_index.cpp).
#
# usage: bench/office_index.sh BUILD_DIR [DRAWINGS] [TREE_FILES]
#   DRAWINGS    generated drawings in the large index (default 1000000)
#   TREE_FILES  files of the real tree for the build rate (default 20000)
# PLOTSIEVE_BENCH_URL names a server's database to use (it is replaced);
# without it a server of the script's own runs in a temporary folder
# (shared_buffers 1GB), as the tests start theirs, and is removed at the end.
set -euo pipefail
build=${1:?usage: bench/office_index.sh BUILD_DIR [DRAWINGS] [TREE_FILES]}
drawings=${2:-1000000}
files=${3:-20000}
here=$(cd "$(dirname "$0")" && pwd)
cli=$build/cli/plotsieve-cli
bench=$build/bench/office_index_bench

work=$(mktemp -d /var/tmp/plotsieve-bench-XXXXXX)
chmod 755 "$work"  # the server's user reaches its folder
cleanup() {
    if [ -n "${pgbin:-}" ]; then $as_server "$pgbin/pg_ctl" -D "$work/pg/data" -m fast stop >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
df -h "$work" | tail -1 | awk '{print "disk: " $4 " free where the index goes"}'

url=${PLOTSIEVE_BENCH_URL:-}
if [ -z "$url" ]; then
    pgbin=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -1)
    mkdir -p "$work/pg"
    as_server=""
    if [ "$(id -u)" -eq 0 ]; then
        chown nobody:nogroup "$work/pg"
        as_server="setpriv --reuid=nobody --regid=nogroup --clear-groups"
    fi
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
    $as_server env LC_ALL=C.UTF-8 "$pgbin/initdb" -D "$work/pg/data" -U postgres -A trust -E UTF8 \
        --locale=C.UTF-8 >/dev/null
    $as_server "$pgbin/pg_ctl" -w -D "$work/pg/data" -l "$work/pg/log" \
        -o "-k $work/pg -p $port -c listen_addresses='' -c shared_buffers=1GB" start >/dev/null
    psql -q -h "$work/pg" -p "$port" -U postgres -c "CREATE DATABASE bench" >/dev/null
    psql -q -h "$work/pg" -p "$port" -U postgres -c "CREATE DATABASE tree" >/dev/null
    url="host=$work/pg port=$port user=postgres dbname=bench"
    tree_url="host=$work/pg port=$port user=postgres dbname=tree"
else
    tree_url=$url
fi

echo "== build rate of index --to over a warm tree of $files files"
python3 "$here/make_tree.py" "$work/tree" "$files" >/dev/null
find "$work/tree" -type f -exec cat {} + >/dev/null  # warm
start=$(date +%s.%N)
"$cli" index --to "$tree_url" -q "$work/tree"
end=$(date +%s.%N)
count=$("$cli" search --index "$tree_url" -q --format paths "$work/tree" | wc -l)
python3 -c "print('index --to: %d drawings in %.1f s: %.0f drawings/s' % ($count, $end - $start, $count / ($end - $start)))"
start=$(date +%s.%N)
"$cli" index --to "$tree_url" -q "$work/tree"
end=$(date +%s.%N)
python3 -c "print('a re-run, nothing changed: %.1f s' % ($end - $start))"
rm -rf "$work/tree"

echo "== $drawings generated drawings"
"$bench" "$url" "$drawings"
[ -n "${PLOTSIEVE_BENCH_URL:-}" ] && psql "$url" -q -c "DROP SCHEMA plotsieve CASCADE" || true
