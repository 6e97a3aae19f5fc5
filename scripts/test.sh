#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Lumaveil with its tests and runs every test.
# The tests that need a display start a desktop of their own (tests/desktop/desktop.sh).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" test
"$top/scripts/build.sh"
cd "$top/build"
exec ctest --output-on-failure -j2 "$@"
