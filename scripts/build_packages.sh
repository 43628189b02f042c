#!/usr/bin/env bash
# Builds the Debian packages plotsieve-cli and plotsieve as a distribution
# builds them: a build folder of their own, configured under /usr with
# Debian's compiler and linker flags (dpkg-buildflags, with every hardening
# feature: fortify, stack protector, relro, bindnow, PIE), without the tests;
# then `cpack -G DEB`. The packages' time stamps are SOURCE_DATE_EPOCH (by
# default the release date in cmake/product_facts.cmake), so two builds of
# one source give the same .deb files.
# Usage: scripts/build_packages.sh [FOLDER]   (default: build-deb)
set -euo pipefail
cd "$(dirname "$0")/.."
folder=${1:-build-deb}
# As dpkg-buildpackage does: the files cpack writes itself (debian-binary,
# the control files) take their modes from the umask, and the packages must
# not depend on the builder's.
umask 0022

export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
eval "$(dpkg-buildflags --export=sh)"
# CMake takes CXXFLAGS and LDFLAGS from the environment, but not CPPFLAGS,
# which holds -D_FORTIFY_SOURCE.
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"

launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr \
    -DPLOTSIEVE_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$folder" -j "${JOBS:-2}"
rm -f "$folder"/*.deb
(cd "$folder" && cpack -G DEB >/dev/null)
ls "$folder"/*.deb
