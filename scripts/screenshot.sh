#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes a picture of the main window on a virtual display, with the example videos in its lists.
# Usage: scripts/screenshot.sh [picture]   (default: docs/main-window.png)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$top/docs/main-window.png}")
"$top/scripts/deps.sh" test
"$top/scripts/build.sh" lumaveil >/dev/null

# A settings store of its own, so that the user's own lists stay out of the picture and untouched.
# A fixed folder name, since the paths show in the picture.
work=/tmp/lumaveil-screenshot
rm -rf "$work"
mkdir -m 700 "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/config/Quelmar" "$work/Videos" "$(dirname "$out")"
cp "$top"/data/Samples/* "$work/Videos/"
files=$(find "$work/Videos" -type f | sort | head -n 4 | paste -sd ';' -)
printf '[General]\nVideos="%s"\nListview5="%s/"\nStartStopState=On\nText3=5\n' "$files" "$work/Videos" \
    >"$work/config/Quelmar/Lumaveil.conf"

XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" sh -c '
    "$1" & program=$!
    window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name "^Lumaveil\$" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
        sleep 0.1
    done
    # Let the first countdown tick and the list fill in.
    sleep 2.5
    import -window "$window" "$2"
    kill "$program"
    wait "$program" || true
' sh "$top/build/src/lumaveil" "$out"
echo "$out"
