#!/bin/sh
# plotsieve-cli loads no office client library (libpq, cpp-httplib, OpenSSL),
# and hands the commands that need them to the office program: through the
# build's own one, and with a clear message when it is missing.
# usage: office_handover_test.sh PLOTSIEVE_CLI
set -u
cli=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

needed=$(readelf -d "$cli" | grep NEEDED) || fail "readelf cannot read $cli"
if echo "$needed" | grep -E 'libpq|httplib|libssl|libcrypto|libcrypt\.'; then
    fail "plotsieve-cli loads an office library"
fi

# Handed over: the office program answers (a server that is not there).
out=$("$cli" search --index 'host=/nonexistent port=1 connect_timeout=2' -k a / 2>&1)
status=$?
[ "$status" -eq 2 ] || fail "search --index without a server: exit $status, want 2"
echo "$out" | grep -q 'the office index at' || fail "search --index said: $out"

# A copy with no office program beside it or where it is installed: one line
# says which program is missing, exit 2, for each command that needs it.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cp "$cli" "$work/bin/plotsieve-cli"
for args in "serve" "index --to host=/nonexistent /" "search --index host=/nonexistent -k a /"; do
    # shellcheck disable=SC2086
    out=$("$work/bin/plotsieve-cli" $args 2>&1)
    status=$?
    [ "$status" -eq 2 ] || fail "$args without the office program: exit $status, want 2"
    echo "$out" | grep -q 'cannot start .*plotsieve-office' ||
        fail "$args without the office program said: $out"
done
# The commands that need no office part still work.
"$work/bin/plotsieve-cli" --version >/dev/null || fail "--version of the copy"
echo "ok"
