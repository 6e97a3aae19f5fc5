#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a private X display that has what a desktop has: a window manager (openbox), a notification
# area (trayer), a session bus, and one or two monitors of 1280x800 side by side.
# Usage: desktop.sh [--screens 1|2] [--with PART]... command [argument...]
#
# The display is Xorg with the dummy video driver, whose outputs RandR can switch on and off like real monitors.
# Where Xorg cannot start (it needs root), Xvfb stands in with one monitor.
#
# The parts of real desktops that --with adds (root only; scripts/deps.sh test installs them):
#   logind        elogind on a system bus of its own, with a login session that the command runs in; its loginctl
#                 is first on PATH. Only one such desktop runs at a time on a machine.
#   kde           KDE Plasma's window manager (kwin_x11) instead of openbox, its session manager with the screen
#                 locker (ksmserver, which owns org.freedesktop.ScreenSaver) and its power management (PowerDevil).
#   xscreensaver  xscreensaver, blanking after a minute, with its D-Bus helper; its log is in
#                 $LUMAVEIL_TEST_XSCREENSAVER_LOG. Needs logind.
#   gnome         GNOME's window manager (mutter) instead of openbox, with its idle monitor on the session bus.
set -u
here=$(cd "$(dirname "$0")" && pwd)

# shellcheck source=tests/session.sh
. "$here/../session.sh"

# logind first, on the outside: the desktop and the command run in the login session that it opens.
if [ -z "${LUMAVEIL_TEST_IN_SESSION:-}" ] && case " $* " in *" --with logind "*) true ;; *) false ;; esac; then
    # shellcheck source=tests/desktop/logind.sh
    . "$here/logind.sh"
    start_logind || exit 1
    LUMAVEIL_TEST_IN_SESSION=1 "$logind_session" "$0" "$@"
    exit $?
fi

screens=1
parts=""
while :; do
    case "${1:-}" in
    --screens) screens=$2; shift 2 ;;
    --with) parts="$parts $2"; shift 2 ;;
    *) break ;;
    esac
done
wants() {
    case " $parts " in *" $1 "*) return 0 ;; *) return 1 ;; esac
}

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
# The desktop's own files, where its parts keep their state.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

if wants kde; then
    kwin_x11 --replace >"$work/kwin.log" 2>&1 &
    started $!
    await wmctrl -m || { echo "desktop.sh: kwin_x11 did not start" >&2; cat "$work/kwin.log" >&2; exit 1; }
    ksmserver >"$work/ksmserver.log" 2>&1 &
    started $!
    /usr/lib/x86_64-linux-gnu/libexec/org_kde_powerdevil >"$work/powerdevil.log" 2>&1 &
    started $!
    await dbus-send --session --print-reply --dest=org.freedesktop.ScreenSaver /ScreenSaver \
        org.freedesktop.ScreenSaver.GetActive || { echo "desktop.sh: ksmserver did not start" >&2; exit 1; }
    export LUMAVEIL_TEST_KSMSERVER_LOG="$work/ksmserver.log"
elif wants gnome; then
    mutter --x11 --replace --sm-disable >"$work/mutter.log" 2>&1 &
    started $!
    await_seconds=10 await dbus-send --session --print-reply --dest=org.gnome.Mutter.IdleMonitor \
        /org/gnome/Mutter/IdleMonitor/Core org.gnome.Mutter.IdleMonitor.GetIdletime ||
        { echo "desktop.sh: mutter did not start" >&2; cat "$work/mutter.log" >&2; exit 1; }
else
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    started $!
    await wmctrl -m || { echo "desktop.sh: openbox did not start" >&2; cat "$work/openbox.log" >&2; exit 1; }
fi
if wants xscreensaver; then
    # Its shortest time; it blanks, and as root it does not lock.
    mkdir "$work/xscreensaver"
    printf 'timeout: 0:01:00\nmode: blank\nsplash: False\nlock: False\n' >"$work/xscreensaver/.xscreensaver"
    export LUMAVEIL_TEST_XSCREENSAVER_LOG="$work/xscreensaver.log"
    HOME="$work/xscreensaver" xscreensaver -no-splash -verbose >"$LUMAVEIL_TEST_XSCREENSAVER_LOG" 2>&1 &
    started $!
    await xscreensaver-command -version || { echo "desktop.sh: xscreensaver did not start" >&2; exit 1; }
fi
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
started $!
await xdotool search --classname trayer

LUMAVEIL_TEST_SCREENS=$screens
[ "$kind" = xvfb ] && LUMAVEIL_TEST_SCREENS=1
export LUMAVEIL_TEST_SCREENS
"$@"
status=$?
exit $status
