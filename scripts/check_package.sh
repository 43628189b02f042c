#!/usr/bin/env bash
# Checks what a distribution takes from a build: the desktop entry, the
# AppStream metadata, the MIME types, the manual pages and completions, and
# the Debian packages plotsieve-cli and plotsieve as scripts/build_packages.sh
# builds them (into BUILD_FOLDER-deb): their split and dependencies, Debian's
# hardening flags, lintian at -EvIL +pedantic, a second build that must give
# the same bytes, the desktop integration and the completions of the unpacked
# packages, and, run as root on a machine without them, a real install of
# plotsieve-cli with apt-get, its checks and its purge.
# PLOTSIEVE_INSTALL_CHECK=0 skips the install; PLOTSIEVE_REBUILD_WITHOUT_CCACHE=1
# compiles the second build without ccache (slow; with ccache the second build
# repeats everything but the compiler's work).
# Usage: scripts/check_package.sh [BUILD_FOLDER]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
build=${build%/}
packages=$build-deb
id=io.github.plotsieve.Plotsieve
version=$(sed -n 's/^project(Plotsieve VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "-- desktop entry, AppStream metadata, MIME types"
desktop=$build/desktop/$id.desktop
metainfo=$build/desktop/$id.metainfo.xml
desktop-file-validate "$desktop"
# The menu entry claims no MIME type: a folder or a drawing opened from a
# file manager goes to the program that owns it (the window chooses folders
# itself).
if grep -q '^MimeType=' "$desktop"; then
    echo "$desktop claims MIME types" >&2
    exit 1
fi
appstreamcli validate --no-net --pedantic "$metainfo"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo"
grep -q "<release version=\"$version\" date=\"" "$metainfo"
grep -qx "Icon=$id" "$desktop"
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
# No name pattern of ours weighs more than a stock type's that shares it.
awk -F: '
    FNR == NR { stock[$3] = $1; next }
    $2 ~ /^application\/x-(jwcad|vectorworks|dracad|sxf-)/ && ($3 in stock) && $1 > stock[$3] {
        print "glob " $3 " of " $2 " weighs " $1 ", the stock type'"'"'s " stock[$3]; bad = 1
    }
    END { exit bad }' /usr/share/mime/globs2 "$work/mime/globs2"
grep -q '^40:application/x-dracad:\*\.mpp$' "$work/mime/globs2"
grep -q '^40:application/x-sxf-sfc:\*\.sfc$' "$work/mime/globs2"
grep -aq 'DRACAD for Windows' "$work/mime/magic"
grep -aq 'jw_cad(c)data' "$work/mime/magic"
grep -aq 'jw_cad(c)sym' "$work/mime/magic"
grep -aq 'ISO-10303-21;' "$work/mime/magic"

echo "-- manual pages, zsh completion"
for page in "$build"/packaging/man/*.1; do
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >/dev/null 2>"$work/man.log"
    if [ -s "$work/man.log" ]; then cat "$work/man.log" >&2; exit 1; fi
done
zsh -n cli/completions/_plotsieve-cli

echo "-- Debian packages (scripts/build_packages.sh $packages)"
bash scripts/build_packages.sh "$packages" >"$work/build.log" 2>&1 || {
    tail -30 "$work/build.log" >&2
    exit 1
}
cli_deb=$packages/plotsieve-cli_${version}_amd64.deb
gui_deb=$packages/plotsieve_${version}_amd64.deb
test -f "$cli_deb" && test -f "$gui_deb"

# The split: the command line needs no GUI library; the window depends on it.
cli_depends=$(dpkg-deb -f "$cli_deb" Depends)
if echo "$cli_depends" | grep -Eq 'wx|gtk|glib|x11'; then
    echo "plotsieve-cli depends on a GUI library: $cli_depends" >&2
    exit 1
fi
[ -z "$(dpkg-deb -f "$cli_deb" Recommends)" ]
dpkg-deb -f "$gui_deb" Depends | grep -q "plotsieve-cli (= $version)"
[ "$(dpkg-deb -f "$gui_deb" Recommends)" = xdg-utils ]
dpkg-deb -c "$cli_deb" | awk '{print $6}' >"$work/cli.files"
dpkg-deb -c "$gui_deb" | awk '{print $6}' >"$work/gui.files"
for file in ./usr/bin/plotsieve-cli ./usr/libexec/plotsieve/plotsieve-office \
    ./usr/share/man/man1/plotsieve-cli.1.gz \
    ./usr/share/bash-completion/completions/plotsieve-cli \
    ./usr/share/zsh/vendor-completions/_plotsieve-cli ./usr/share/doc/plotsieve-cli/copyright; do
    grep -qx "$file" "$work/cli.files" || { echo "plotsieve-cli lacks $file" >&2; exit 1; }
done
for unit in packaging/systemd/*.service packaging/systemd/*.socket packaging/systemd/*.timer; do
    [ -e "$unit" ] || continue
    grep -qx "./lib/systemd/system/${unit##*/}" "$work/cli.files" ||
        { echo "plotsieve-cli lacks the unit ${unit##*/}" >&2; exit 1; }
done
for file in ./usr/bin/plotsieve ./usr/share/applications/$id.desktop \
    ./usr/share/metainfo/$id.metainfo.xml ./usr/share/mime/packages/plotsieve-drawings.xml \
    ./usr/share/plotsieve/help/help1.htm ./usr/share/man/man1/plotsieve.1.gz; do
    grep -qx "$file" "$work/gui.files" || { echo "plotsieve lacks $file" >&2; exit 1; }
done
if sort "$work/cli.files" "$work/gui.files" | grep -v '/$' | uniq -d | grep .; then
    echo "files in both packages" >&2
    exit 1
fi

# Debian's hardening in both programs (lintian below reports a fortifiable
# call left unfortified), and no compiler notes left.
for flag in -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wl,-z,now -Wl,-z,relro; do
    grep -q -- "$flag" "$packages/build.ninja" || { echo "the packages' build lacks $flag" >&2; exit 1; }
done
dpkg-deb -x "$cli_deb" "$work/root"
dpkg-deb -x "$gui_deb" "$work/root"
for elf in "$work/root/usr/bin/plotsieve-cli" "$work/root/usr/libexec/plotsieve/plotsieve-office" \
    "$work/root/usr/bin/plotsieve"; do
    program=${elf##*/}
    readelf -d "$elf" | grep -q 'BIND_NOW' || { echo "$program: not linked with bindnow" >&2; exit 1; }
    readelf -l "$elf" | grep -q 'GNU_RELRO' || { echo "$program: no relro" >&2; exit 1; }
    readelf -h "$elf" | grep -q 'DYN (Position-Independent' || { echo "$program: not PIE" >&2; exit 1; }
    if readelf -S "$elf" | grep -q '\.comment'; then
        echo "$program: .comment kept" >&2
        exit 1
    fi
done

# The facts in the packages: the descriptions name the formats read, and the
# window's manual page the help page where the package puts it.
echo 'include(cmake/product_facts.cmake)
message("${PLOTSIEVE_FORMATS}")' >"$work/formats.cmake"
formats=$(cmake -P "$work/formats.cmake" 2>&1)
for deb in "$cli_deb" "$gui_deb"; do
    dpkg-deb -f "$deb" Description | tr -s ' \n' '  ' | grep -qF "$formats" ||
        { echo "$deb: the description does not name the formats read" >&2; exit 1; }
done
help=$(zcat "$work/root/usr/share/man/man1/plotsieve.1.gz" | sed -n '/^\.SH FILES/,/^\.SH/s/^\.I \(\/.*help1\.htm\)$/\1/p')
[ "$help" = /usr/share/plotsieve/help/help1.htm ] ||
    { echo "plotsieve(1) names the help page '$help'" >&2; exit 1; }
test -f "$work/root$help"

echo "-- lintian -EvIL +pedantic"
# Tags left, each explained:
#   spelling-error-in-binary WORD ...: lintian reads machine code as text:
#     an instruction that stores a piece of a string (" (default", "name a
#     root with") is followed by a byte that reads as a letter ("defaulH",
#     "witht"). Such a tag is explained when WORD is in none of the sources:
#     no string of the program is misspelt.
lintian_status=0
lintian -EvIL +pedantic --tag-display-limit 0 "$cli_deb" "$gui_deb" >"$work/lintian.log" 2>&1 ||
    lintian_status=$?
grep -v "running with root privileges\|^N: " "$work/lintian.log" | tee "$work/tags" || true
sources=(bytes extract dwg platform match cache results search index serve cli app)
while read -r word; do
    if grep -rqw -- "$word" "${sources[@]}"; then
        echo "a string of the program is misspelt: $word" >&2
        exit 1
    fi
done < <(sed -n 's/^[IP]: [a-z-]*: spelling-error-in-binary \([A-Za-z]*\) .*/\1/p' "$work/tags")
if grep -v '^[IP]: [a-z-]*: spelling-error-in-binary ' "$work/tags" | grep -q '^[EWIPX]: '; then
    echo "lintian reports tags that are not explained" >&2
    exit 1
fi
[ "$lintian_status" -eq 0 ] || { echo "lintian failed ($lintian_status)" >&2; exit 1; }

echo "-- a second build gives the same packages"
mkdir "$work/first"
cp "$cli_deb" "$gui_deb" "$work/first/"
rm -rf "$packages"
if [ "${PLOTSIEVE_REBUILD_WITHOUT_CCACHE:-0}" = 1 ]; then export CCACHE_DISABLE=1; fi
# Another umask and another time: neither may show in the packages.
(umask 0077 && bash scripts/build_packages.sh "$packages") >"$work/build2.log" 2>&1 || {
    tail -30 "$work/build2.log" >&2
    exit 1
}
unset CCACHE_DISABLE
for deb in "$work"/first/*.deb; do
    if ! cmp "$deb" "$packages/${deb##*/}"; then
        echo "${deb##*/} differs between two builds" >&2
        exit 1
    fi
done
echo "identical: $(cd "$work/first" && sha256sum *.deb | tr '\n' ' ')"

echo "-- the unpacked packages on a desktop and in the shells"
sh tests/packaging/desktop_integration_test.sh "$work/root/usr/share"
python3 tests/packaging/bash_completion_pty_test.py "$work/root/usr/share" \
    "$work/root/usr/bin/plotsieve-cli"
zsh -f tests/packaging/zsh_completion_zpty_test.zsh "$work/root/usr/share" \
    "$work/root/usr/bin/plotsieve-cli"

if [ "${PLOTSIEVE_INSTALL_CHECK:-1}" = 0 ] || [ "$(id -u)" -ne 0 ]; then
    echo "(install check skipped: needs root)"
    exit 0
fi
if dpkg-query -W -f='${Status}' plotsieve-cli plotsieve 2>/dev/null | grep -q 'ok installed'; then
    echo "(install check skipped: a Plotsieve package is already installed)"
    exit 0
fi
echo "-- apt-get install ./plotsieve-cli_${version}_amd64.deb, then purge"
apt=(apt-get -o DPkg::Lock::Timeout=300 -y -q)
# What each package would bring, without installing it.
"${apt[@]}" -s install "./$cli_deb" >"$work/cli.sim"
if grep '^Inst ' "$work/cli.sim" | grep -v '^Inst plotsieve-cli ' | grep .; then
    echo "installing plotsieve-cli brings other packages" >&2
    exit 1
fi
"${apt[@]}" -s install "./$cli_deb" "./$gui_deb" >"$work/gui.sim"
echo "the window's package would bring: $(grep '^Inst ' "$work/gui.sim" | awk '{print $2}' | tr '\n' ' ')"
"${apt[@]}" install "./$cli_deb" >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; exit 1; }
status=0
# (set -e does not act inside a list left of ||: each step is chained.)
{
    [ "$(/usr/bin/plotsieve-cli --version)" = "plotsieve-cli $version" ] &&
    man -w plotsieve-cli >/dev/null &&
    /usr/bin/plotsieve-cli search -q -k 平面図 -0 samples | grep -qz '平面図' &&
    # handed over to the installed office program, which finds no server
    { /usr/bin/plotsieve-cli search --index host=/nonexistent -k a / 2>&1 || true; } |
        grep -q 'the office index at' &&
    python3 tests/packaging/bash_completion_pty_test.py /usr/share /usr/bin/plotsieve-cli &&
    zsh -f tests/packaging/zsh_completion_zpty_test.zsh /usr/share /usr/bin/plotsieve-cli
} || status=$?
"${apt[@]}" purge plotsieve-cli >/dev/null 2>&1 || status=1
if dpkg-query -W -f='${Status}' plotsieve-cli 2>/dev/null | grep -q 'ok installed'; then status=1; fi
[ "$status" -eq 0 ] || { echo "the installed package failed its checks" >&2; exit 1; }
echo "plotsieve-cli installs with apt-get, works and is purged cleanly"
