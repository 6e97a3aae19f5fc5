#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Lumaveil and starts it.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" run
"$top/scripts/build.sh" lumaveil
program="$top/build/src/lumaveil"

if [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${DISPLAY:-}" ]; then
    exec "$program" "$@"
fi
echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set): starting Lumaveil on a virtual display (Xvfb)."
echo "Lumaveil runs there until you stop it with Ctrl+C."
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$program" "$@"
