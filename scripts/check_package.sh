#!/usr/bin/env bash
# Checks what a distribution takes from a build: the desktop entry, the
# AppStream metadata, the MIME types, the manual pages, the zsh completion,
# and the Debian package that `cpack -G DEB` makes (lintian without errors,
# and, run as root on a machine without Plotsieve installed, a real install,
# a look at the installed files and a removal). PLOTSIEVE_INSTALL_CHECK=0
# skips the install.
# Usage: scripts/check_package.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
id=io.github.plotsieve.Plotsieve
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "-- desktop entry, AppStream metadata, MIME types"
desktop-file-validate app/desktop/$id.desktop
appstreamcli validate --no-net app/desktop/$id.metainfo.xml
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" app/desktop/$id.metainfo.xml
grep -qx "Icon=$id" app/desktop/$id.desktop
for size in 16 32 48 128; do
    test -f "app/resources/hicolor/${size}x${size}/apps/$id.png"
done
xmllint --noout app/desktop/plotsieve-drawings.xml
# The database the desktop reads must come out with the globs and the magic.
mkdir -p "$work/mime/packages"
cp /usr/share/mime/packages/freedesktop.org.xml app/desktop/plotsieve-drawings.xml \
    "$work/mime/packages/"
XDG_DATA_HOME="$work" update-mime-database "$work/mime" 2>"$work/mime.log"
if [ -s "$work/mime.log" ]; then cat "$work/mime.log" >&2; exit 1; fi
grep -q '^80:application/x-dracad:\*\.mpp$' "$work/mime/globs2"
grep -aq 'jw_cad(c)data' "$work/mime/magic"
grep -aq 'jw_cad(c)sym' "$work/mime/magic"
grep -q '^80:application/x-sxf-sfc:\*\.sfc$' "$work/mime/globs2"
grep -q '^50:application/x-sxf-p21:\*\.p21$' "$work/mime/globs2"
grep -aq 'ISO-10303-21;' "$work/mime/magic"

echo "-- manual pages, zsh completion"
for page in "$build"/packaging/man/*.1; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >/dev/null 2>"$work/man.log"
    if [ -s "$work/man.log" ]; then cat "$work/man.log" >&2; exit 1; fi
done
zsh -n cli/completions/_plotsieve-cli

echo "-- Debian package"
rm -f "$build"/plotsieve_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/plotsieve_*.deb)
lintian_status=0
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v "running with root privileges" "$work/lintian.log" || true
[ "$lintian_status" -eq 0 ] || { echo "lintian found errors" >&2; exit 1; }
if [ "${PLOTSIEVE_INSTALL_CHECK:-1}" = 0 ] || [ "$(id -u)" -ne 0 ]; then
    echo "(install check skipped: needs root)"
    exit 0
fi
if dpkg-query -W -f='${Status}' plotsieve 2>/dev/null | grep -q 'install ok installed'; then
    echo "(install check skipped: a plotsieve package is already installed)"
    exit 0
fi
dpkg -i "$deb"
status=0
{
    version=$(sed -n 's/^project(Plotsieve VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    [ "$(/usr/bin/plotsieve-cli --version)" = "plotsieve-cli $version" ]
    test -f /usr/share/plotsieve/help/help1.htm
    test -f /usr/share/applications/$id.desktop
    man -w plotsieve-cli >/dev/null && man -w plotsieve >/dev/null
    appstreamcli validate --no-net /usr/share/metainfo/$id.metainfo.xml >/dev/null
    /usr/bin/plotsieve-cli search -q -k 平面図 -0 samples | grep -qz '平面図'
} || status=$?
dpkg -r plotsieve >/dev/null
[ "$status" -eq 0 ] || { echo "the installed package failed its checks" >&2; exit 1; }
echo "package installs, works and is removed cleanly"
