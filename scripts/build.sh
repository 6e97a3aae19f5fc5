#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures (once) and builds Lumaveil in build/. Usage: scripts/build.sh [target]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
if [ $# -gt 0 ]; then
    cmake --build "$build" -j2 --target "$1"
else
    cmake --build "$build" -j2
fi
