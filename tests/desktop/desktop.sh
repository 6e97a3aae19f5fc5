#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a private X display that has what a desktop has: a window manager (openbox), a notification
# area (trayer), a session bus, and one or two monitors of 1280x800 side by side.
# Usage: desktop.sh [--screens 1|2] command [argument...]
#
# The display is Xorg with the dummy video driver, whose outputs RandR can switch on and off like real monitors.
# Where Xorg cannot start (it needs root), Xvfb stands in with one monitor.
set -u
here=$(cd "$(dirname "$0")" && pwd)
screens=1
if [ "${1:-}" = --screens ]; then
    screens=$2
    shift 2
fi

# shellcheck source=tests/session.sh
. "$here/../session.sh"

# The server writes the number of the display it found free to descriptor 3.
mkdir "$work/conf.d"
if [ "$(id -u)" -eq 0 ] && command -v Xorg >/dev/null; then
    Xorg -noreset -nolisten tcp -config "$here/xorg-dummy.conf" -configdir "$work/conf.d" \
        -logfile "$work/xorg.log" -displayfd 3 3>"$work/display" >/dev/null 2>&1 &
    started $!
    kind=xorg
else
    Xvfb -noreset -nolisten tcp -screen 0 1280x800x24 -displayfd 3 3>"$work/display" >/dev/null 2>&1 &
    started $!
    kind=xvfb
fi
if ! await grep -q . "$work/display"; then
    echo "desktop.sh: the X server did not start" >&2
    cat "$work/xorg.log" >&2 2>/dev/null
    exit 1
fi
DISPLAY=:$(head -n 1 "$work/display")
export DISPLAY
await xset q || { echo "desktop.sh: $DISPLAY does not answer" >&2; exit 1; }

if [ "$kind" = xorg ]; then
    xrandr --output DUMMY0 --mode 1280x800 --pos 0x0 --primary
    if [ "$screens" -ge 2 ]; then
        xrandr --addmode DUMMY1 1280x800
        xrandr --output DUMMY1 --mode 1280x800 --right-of DUMMY0
    fi
fi
# The server's own screen saver stays off unless a test arms it.
xset s off -dpms 2>/dev/null

start_session_bus

openbox --sm-disable >"$work/openbox.log" 2>&1 &
started $!
await wmctrl -m || { echo "desktop.sh: openbox did not start" >&2; cat "$work/openbox.log" >&2; exit 1; }
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
started $!
await xdotool search --classname trayer

LUMAVEIL_TEST_SCREENS=$screens
[ "$kind" = xvfb ] && LUMAVEIL_TEST_SCREENS=1
export LUMAVEIL_TEST_SCREENS
"$@"
status=$?
exit $status
