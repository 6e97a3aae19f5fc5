#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the Debian package lumaveil_<version>_<architecture>.deb from this clone: installs what is missing, builds
# Lumaveil in Release mode with Debian's hardening flags in build-package/, and puts the package in the top folder
# of the clone (or in the folder given).
# Usage: scripts/package.sh [folder]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$top}")
build="$top/build-package"
"$top/scripts/deps.sh" package

# dpkg-buildflags gives the flags Debian builds its packages with, here all its hardening: fortified functions,
# stack protector, read-only relocations bound at start. CMake takes no CPPFLAGS, so they join the compiler's flags.
cd "$top"
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags"
cmake --build "$build" -j2
rm -f "$build"/package/*.deb
(cd "$build" && cpack -G DEB -B "$build/package")

mkdir -p "$out"
for deb in "$build"/package/*.deb; do
    cp "$deb" "$out/"
    echo "$out/$(basename "$deb")"
done
