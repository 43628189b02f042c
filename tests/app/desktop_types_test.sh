#!/bin/sh
# The MIME package that the install adds gives every JW_CAD drawing (.jwc,
# .jwk and .jww, and "jw_cad(c)data", "jw_cad(c)sym" or "JwwData." content
# under any name) one type, and so the JW_CAD icon in the result list; and
# each form of SXF drawing its type (.sfc by its name, .p21 by its name or its
# "ISO-10303-21;" start), and DraCAD drawings theirs, without taking the stock
# types' files that share their names (Musepack audio .mpp, Super NES .sfc
# ROMs). Usage: desktop_types_test.sh PACKAGE.xml
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/mime/packages"
cp "$1" "$home/mime/packages/"
XDG_DATA_HOME=$home update-mime-database "$home/mime"

type_of() {
    XDG_DATA_HOME=$home gio info -a standard::content-type "$1" |
        sed -n 's/^ *standard::content-type: //p'
}
expect() {
    actual=$(type_of "$home/$1")
    if [ "$actual" != "$2" ]; then
        echo "$1: $actual, expected $2" >&2
        exit 1
    fi
}

printf 'jw_cad(c)data' >"$home/a.jwc"
printf 'jw_cad(c)sym' >"$home/a.jwk"
printf 'JwwData.\274\002\000\000' >"$home/a.jww"
cp "$home/a.jww" "$home/B.JWW"
cp "$home/a.jww" "$home/drawing"
cp "$home/a.jwc" "$home/old-drawing"
cp "$home/a.jwk" "$home/old-symbol"
for name in a.jwc a.jwk a.jww B.JWW drawing old-drawing old-symbol; do
    expect "$name" application/x-jwcad
done
# The magic alone does not take other content.
printf 'JwwDat' >"$home/other"
[ "$(type_of "$home/other")" != application/x-jwcad ] || { echo "other: application/x-jwcad" >&2; exit 1; }

# SXF: a .sfc file is a drawing when it starts as an exchange structure does,
# and stays the stock Super NES ROM type otherwise (the names' weights are
# equal); the exchange structure's first bytes under any name.
printf 'ISO-10303-21;\nHEADER;\n' >"$home/a.sfc"
cp "$home/a.sfc" "$home/B.SFC"
cp "$home/a.sfc" "$home/a.p21"
cp "$home/a.sfc" "$home/A.P21"
cp "$home/a.sfc" "$home/exchange"
printf 'NES ROM' >"$home/game.sfc"
for name in a.sfc B.SFC; do
    expect "$name" application/x-sxf-sfc
done
expect game.sfc application/vnd.nintendo.snes.rom
for name in a.p21 A.P21 exchange; do
    expect "$name" application/x-sxf-p21
done

# DraCAD: .mpx and .mpz are the program's alone; a .mpp file is a drawing by
# its entry table (or an MPZ signature), and Musepack audio when it starts as
# that does.
printf 'MP+\027\000\000\000' >"$home/song.mpp"
head -c 1024 /dev/zero >"$home/plan.mpp"
printf '\000\005\000\376\000\376\377\377' >>"$home/plan.mpp"
{ head -c 300 /dev/zero; printf 'DRACAD for Windows'; head -c 100 /dev/zero; } >"$home/b.mpz"
cp "$home/b.mpz" "$home/b.mpp"
head -c 200 /dev/zero >"$home/c.mpx"
expect song.mpp audio/x-musepack
for name in plan.mpp b.mpp b.mpz c.mpx; do
    expect "$name" application/x-dracad
done
