#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Screens benchmark: showings on two monitors and fades between videos, against standalone mpv, on a private desktop
# of two 1280x800 monitors side by side.
# Usage: bench/screens.sh [seconds]   (installs mpv, ffmpeg and the display server when run as root; two monitors
# need root, for Xorg)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" bench
"$top/scripts/build.sh" bench_screens >/dev/null
"$top/scripts/build.sh" lumaveil >/dev/null
exec "$top/tests/desktop/desktop.sh" --screens 2 \
    "$top/build/bench/bench_screens" "${1:-30}" "$top/data/Samples" "$top/build/src/lumaveil"
