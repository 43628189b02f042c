#!/bin/sh
# The desktop integration as a desktop meets it once Plotsieve is installed:
# xdg-mime types a Musepack song named .mpp as audio (by its name alone too),
# a DraCAD drawing named .mpp as a drawing and a folder as a folder, and the program claims no type
# it does not own: the default program for folders (inode/directory) and for
# the drawings stays what it was before the install.
# Usage: desktop_integration_test.sh SHARE_DIR
#        desktop_integration_test.sh --install BUILD_DIR
# SHARE_DIR is an installed share/ folder (a package's usr/share, unpacked);
# with --install, the window's files are installed from BUILD_DIR into a
# temporary prefix first, as `cmake --install` does.
set -eu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ "$1" = --install ]; then
    cmake --install "$2" --component gui --prefix "$work/prefix" >"$work/install.log" 2>&1 ||
        { cat "$work/install.log" >&2; exit 1; }
    share=$work/prefix/share
else
    # A copy, so that the desktop's caches can be built beside the files.
    mkdir "$work/prefix"
    cp -R "$1" "$work/prefix/share"
    share=$work/prefix/share
    # It warns that the folder is not among the desktop's; it is named below.
    update-mime-database "$share/mime" >"$work/mime.log" 2>&1 || { cat "$work/mime.log" >&2; exit 1; }
    update-desktop-database -q "$share/applications"
fi
test -f "$share/mime/mime.cache"
test -f "$share/applications/io.github.plotsieve.Plotsieve.desktop"

mkdir "$work/files" "$work/files/plans" "$work/home"
printf 'MP+\027\000\000\000' >"$work/files/song.mpp"
{ head -c 1024 /dev/zero; printf '\000\005\000\376\000\376\377\377'; } >"$work/files/plan.mpp"

# What the desktop says with the data folders given, as GNOME (gio, the
# shared MIME database) and as a desktop xdg-mime knows nothing of.
report() {
    for file in song.mpp plan.mpp plans; do
        printf '%s=%s\n' "$file" "$(XDG_CURRENT_DESKTOP=GNOME XDG_DATA_DIRS=$1 \
            XDG_DATA_HOME=$work/home HOME=$work/home xdg-mime query filetype "$work/files/$file")"
    done
    # By the name alone, as a file manager types a folder's files at first.
    printf 'song.mpp by name=%s\n' "$(XDG_DATA_DIRS=$1 XDG_DATA_HOME=$work/home \
        gio info -a standard::fast-content-type "$work/files/song.mpp" |
        sed -n 's/^ *standard::fast-content-type: //p')"
    for type in inode/directory application/x-dracad application/x-jwcad; do
        for desktop in GNOME X-Generic; do
            printf 'default %s (%s)=%s\n' "$type" "$desktop" \
                "$(XDG_CURRENT_DESKTOP=$desktop XDG_DATA_DIRS=$1 XDG_DATA_HOME=$work/home \
                    HOME=$work/home xdg-mime query default "$type")"
        done
    done
}
report /usr/share >"$work/before"
report "$share:/usr/share" >"$work/after"
echo "before the install:"
sed 's/^/  /' "$work/before"
echo "after the install:"
sed 's/^/  /' "$work/after"

failures=0
expect() {
    if ! grep -qx "$1" "$work/after"; then
        echo "FAIL: want '$1'" >&2
        failures=$((failures + 1))
    fi
}
expect 'song.mpp=audio/x-musepack'
expect 'plan.mpp=application/x-dracad'
expect 'plans=inode/directory'
expect 'song.mpp by name=audio/x-musepack'
# The defaults are unchanged: the menu entry names no MIME type.
if ! diff "$work/before" "$work/after" | grep '^[<>] default' >/dev/null; then :; else
    echo "FAIL: the install changed a default program:" >&2
    diff "$work/before" "$work/after" | grep '^[<>] default' >&2
    failures=$((failures + 1))
fi
if grep -q '^default.*Plotsieve' "$work/after"; then
    echo "FAIL: Plotsieve became a default program" >&2
    failures=$((failures + 1))
fi
[ "$failures" -eq 0 ] || exit 1
echo "desktop integration: all passed"
