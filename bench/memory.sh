#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Memory benchmark: the program's memory counting down, during a showing and after one and ten showings, against a
# bare Qt window, on a virtual display.
# Usage: bench/memory.sh   (installs the display server and xdotool when run as root)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/deps.sh" bench
"$top/scripts/build.sh" lumaveil >/dev/null
"$top/scripts/build.sh" bench_bare_window >/dev/null
"$top/scripts/build.sh" bench_memory >/dev/null
exec xvfb-run -a -s "-screen 0 1280x800x24 -noreset" \
    "$top/build/bench/bench_memory" "$top/build/src/lumaveil" "$top/build/bench/bench_bare_window" "$top/data/Samples"
