#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command in a private Wayland session: a headless sway with one or more 1280x800 outputs side by side, no bar
# (so no notification area), a keyboard, and a session bus. The command finds the compositor through WAYLAND_DISPLAY
# and SWAYSOCK.
# Usage: wayland.sh [--outputs n] command [argument...]
#
# sway refuses to run as root; as root it runs as nobody, and the command, still root, reaches its socket by path.
set -u
here=$(cd "$(dirname "$0")" && pwd)
outputs=1
if [ "${1:-}" = --outputs ]; then
    outputs=$2
    shift 2
fi

# shellcheck source=tests/session.sh
. "$here/../session.sh"
chmod 755 "$work"
await_seconds=10

# Each side has a runtime folder of its own, private to it as the XDG rules ask.
mkdir -m 700 "$work/compositor" "$work/client"
cp "$here/sway.conf" "$work/sway.conf"
for number in $(seq "$outputs"); do
    echo "output HEADLESS-$number resolution 1280x800 position $(((number - 1) * 1280)) 0" >>"$work/sway.conf"
done
chmod 644 "$work/sway.conf"
as_user=""
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$work/compositor"
    as_user="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
# shellcheck disable=SC2086 # as_user is a command with its arguments, or nothing
env XDG_RUNTIME_DIR="$work/compositor" HOME="$work" WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="$outputs" \
    WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman $as_user sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
started $!

# The path of sway's socket whose name matches the pattern.
socket() {
    for path in "$work"/compositor/$1; do
        [ -S "$path" ] && echo "$path" && return 0
    done
    return 1
}
if ! await socket 'wayland-[0-9]' || ! await socket 'sway-ipc.*.sock'; then
    echo "wayland.sh: sway did not start" >&2
    cat "$work/sway.log" >&2
    exit 1
fi
WAYLAND_DISPLAY=$(socket 'wayland-[0-9]')
SWAYSOCK=$(socket 'sway-ipc.*.sock')
XDG_RUNTIME_DIR="$work/client"
export WAYLAND_DISPLAY SWAYSOCK XDG_RUNTIME_DIR
await swaymsg -t get_outputs || { echo "wayland.sh: sway does not answer" >&2; cat "$work/sway.log" >&2; exit 1; }

# The headless backend has no keyboard, and a program takes the keyboard only while the seat offers one: keys from
# a keyboard that comes and goes with each typing tool would be lost. This one stays for the whole session.
wtype -s 86400000 &
started $!
await sh -c 'swaymsg -t get_inputs | grep -q "\"type\": \"keyboard\""' || {
    echo "wayland.sh: no keyboard" >&2
    exit 1
}

start_session_bus

"$@"
status=$?
if [ $status -ne 0 ]; then
    echo "wayland.sh: sway's log:" >&2
    cat "$work/sway.log" >&2
fi
exit $status
