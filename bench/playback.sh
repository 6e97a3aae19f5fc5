#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Playback benchmark: a showing of the example videos against standalone mpv, on a virtual display.
# Usage: bench/playback.sh [seconds]   (installs mpv and the display server when run as root)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" bench
"$top/scripts/build.sh" bench_playback >/dev/null
"$top/scripts/build.sh" lumaveil >/dev/null
exec xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" \
    "$top/build/bench/bench_playback" "${1:-40}" "$top/data/Samples" "$top/build/src/lumaveil"
