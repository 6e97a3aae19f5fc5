#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and installs Lumaveil as a packager does: CMake's default generator (Unix Makefiles, which Debian's
# debhelper uses too), no tests, then an install into a staging folder, whose contents are checked.
# Usage: plain-build.sh source-folder app-id
set -u
top=$1
id=$2

work=$(mktemp -d /tmp/lumaveil-plain.XXXXXX)
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT TERM HUP
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The generator is CMake's own choice, whatever the environment prefers.
unset CMAKE_GENERATOR
cmake -S "$top" -B "$work/build" -DBUILD_TESTING=OFF >"$work/configure.log" 2>&1 ||
    { cat "$work/configure.log" >&2; fail "cmake could not configure"; }
grep -q '^CMAKE_GENERATOR:INTERNAL=Unix Makefiles$' "$work/build/CMakeCache.txt" || fail "not configured for make"
cmake --build "$work/build" -j2 >"$work/build.log" 2>&1 || { tail -n 30 "$work/build.log" >&2; fail "the build failed"; }
DESTDIR="$work/stage" cmake --install "$work/build" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "the install failed"; }

prefix="$work/stage/usr/local"
for file in bin/lumaveil "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
    share/icons/hicolor/256x256/apps/lumaveil.png share/man/man1/lumaveil.1.gz; do
    [ -f "$prefix/$file" ] || fail "the install has no $file"
done
ls "$prefix"/share/lumaveil/Samples/* >/dev/null 2>&1 || fail "the install has no example videos"
[ -s "$work/build/translations/lumaveil.ts" ] || fail "the build made no template of the texts to translate"
"$prefix/bin/lumaveil" --help >/dev/null 2>&1 || fail "the installed program does not start"
echo "plain build, install and start: fine"
