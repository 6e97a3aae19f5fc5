#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the program's icon from lumaveil.svg into the PNG sizes that the window, the tray and the desktop use.
# Needs rsvg-convert (Debian package librsvg2-bin).
set -eu
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" lumaveil.svg -o "lumaveil-$size.png"
done
