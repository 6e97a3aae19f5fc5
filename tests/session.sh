# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=sh
# What the scripts that start a private session for the tests share; sourced, not run. It makes the work folder
# $work, removed at the end together with the processes handed to started(), newest first; await, which waits for a
# command to succeed; and start_session_bus.

work=$(mktemp -d)
session_pids=""
# Stops this process when the session ends.
started() {
    session_pids="$1 $session_pids"
}
cleanup() {
    for pid in $session_pids; do
        kill "$pid" 2>/dev/null
    done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Waits up to $await_seconds (five unless set) for a command to succeed.
await() {
    for _ in $(seq $((${await_seconds:-5} * 20))); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    return 1
}

# A session bus of the session's own, in DBUS_SESSION_BUS_ADDRESS.
start_session_bus() {
    eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
        read -r address
        read -r pid
        echo "DBUS_SESSION_BUS_ADDRESS='$address' bus=$pid"
    })"
    export DBUS_SESSION_BUS_ADDRESS
    # shellcheck disable=SC2154 # set by the eval
    started "$bus"
}
