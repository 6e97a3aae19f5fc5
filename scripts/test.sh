#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Lumaveil with its tests and runs every test.
# The tests that need a real X display run on a private Xvfb with a tray host.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" test
"$top/scripts/build.sh"
cd "$top/build"
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$top/scripts/with-tray.sh" \
    ctest --output-on-failure -j2 "$@"
