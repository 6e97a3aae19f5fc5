#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up benchmark: the time from starting Lumaveil until its main window is mapped, against a bare Qt window in
# the same run, and the processor time Lumaveil takes while it counts down with no showing, counting the main window's
# input only and counting the whole desktop's inactivity.
# Usage: bench/startup.sh [runs]   (needs a build in build/, and xvfb, xdotool, dbus-daemon)
# LUMAVEIL_BENCH_COUNT_SECONDS (20) and LUMAVEIL_BENCH_COUNT_ROUNDS (3) set how long and how often each count is
# measured.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-9}
"$top/scripts/build.sh" lumaveil >/dev/null
"$top/scripts/build.sh" bench_bare_window >/dev/null
"$top/scripts/build.sh" bench_session_services >/dev/null
"$top/scripts/build.sh" bench_tick >/dev/null
if [ -z "${LUMAVEIL_BENCH_DISPLAY:-}" ]; then
    LUMAVEIL_BENCH_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

config=$(mktemp -d)
bus=""
services=""
trap 'kill $services $bus 2>/dev/null; rm -rf "$config"' EXIT
export XDG_CONFIG_HOME="$config"

now_ms() { date +%s%3N; }

# Milliseconds from start until a visible window with the given title exists.
time_to_window() {
    title=$1; shift
    start=$(now_ms)
    "$@" >/dev/null 2>"$config/stderr" &
    pid=$!
    until xdotool search --onlyvisible --name "^$title" >/dev/null 2>&1; do
        if [ $(( $(now_ms) - start )) -gt 20000 ]; then
            echo "no window \"$title\" within 20 s" >&2; cat "$config/stderr" >&2; exit 1
        fi
        sleep 0.005
    done
    echo $(( $(now_ms) - start ))
    kill "$pid"; wait "$pid" 2>/dev/null || true
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

lumaveil_times=""; bare_times=""
i=0
while [ $i -lt "$runs" ]; do
    lumaveil_times="$lumaveil_times $(time_to_window Lumaveil "$top/build/src/lumaveil")"
    bare_times="$bare_times $(time_to_window BareWindow "$top/build/bench/bench_bare_window")"
    i=$((i + 1))
done
lumaveil_ms=$(echo $lumaveil_times | tr ' ' '\n' | median)
bare_ms=$(echo $bare_times | tr ' ' '\n' | median)
echo "start to window shown, median of $runs: Lumaveil $lumaveil_ms ms, bare Qt window $bare_ms ms," \
     "ratio $(awk -v a="$lumaveil_ms" -v b="$bare_ms" 'BEGIN { printf "%.2f", a / b }')"

# Idle while counting down: the screensaver on, 10 minutes to wait, nothing else happening. Counted with the main
# window minimised, three ways, in rounds that take turns: the main window's input only (as at
# first); the whole desktop's inactivity on a session bus with no desktop services, as under a bare window manager;
# and the same with GNOME's and KDE's inhibition services answering, which it asks on every tick. The first two again
# with the window on the screen, where the time left is painted every second. The processor time is the sum over the
# program's threads; other programs on the machine move it by more than the option does, which bench_tick measures
# alone at the end.
eval "$(dbus-daemon --session --fork --print-address=1 --print-pid=1 | {
    read -r address
    read -r pid
    echo "DBUS_SESSION_BUS_ADDRESS='$address' bus=$pid"
})"
export DBUS_SESSION_BUS_ADDRESS
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d", s }'; }
mkdir -p "$config/Quelmar"
count_cpu() {
    # Minimised at start, as "Start in system tray" does where there is no notification area (as here); otherwise the
    # window is on the screen, painting the time left every second.
    minimized=Off
    [ "$3" = minimized ] && minimized=On
    printf '[General]\nStartStopState=On\nText3=10\nDesktop%%20Idle=%s\nMinimized=%s\n' "$1" "$minimized" \
        > "$config/Quelmar/Lumaveil.conf"
    # Every option on besides: the session locked when a showing ends, and a desktop that locks itself after
    # inactivity, whose time a showing keeps.
    if [ "${4:-}" = all ]; then
        printf 'Respect%%20Full%%20Screen=1\nLock%%20Session=1\nPassword%%20Mouse%%20Move=1\nPassword=pw\n' \
            >> "$config/Quelmar/Lumaveil.conf"
        printf '[Daemon]\nAutolock=true\nTimeout=5\n' > "$config/kscreenlockerrc"
    else
        rm -f "$config/kscreenlockerrc"
    fi
    if [ "$2" = services ]; then
        "$top/build/bench/bench_session_services" &
        services=$!
        sleep 0.5
    fi
    "$top/build/src/lumaveil" >/dev/null 2>"$config/count-stderr" &
    pid=$!
    sleep 3
    before=$(cpu_ns $pid)
    sleep "$seconds"
    after=$(cpu_ns $pid)
    if ! kill $pid 2>/dev/null; then
        echo "Lumaveil ended while it counted down:" >&2; cat "$config/count-stderr" >&2; exit 1
    fi
    wait $pid 2>/dev/null || true
    if [ -n "$services" ]; then
        kill $services; wait $services 2>/dev/null || true
        services=""
    fi
    echo $((after - before))
}
seconds=${LUMAVEIL_BENCH_COUNT_SECONDS:-20}
rounds=${LUMAVEIL_BENCH_COUNT_ROUNDS:-3}
off=""; on=""; served=""; every=""; off_shown=""; on_shown=""
i=0
while [ $i -lt "$rounds" ]; do
    off="$off $(count_cpu 0 - minimized)"
    on="$on $(count_cpu 1 - minimized)"
    served="$served $(count_cpu 1 services minimized)"
    every="$every $(count_cpu 1 services minimized all)"
    off_shown="$off_shown $(count_cpu 0 - shown)"
    on_shown="$on_shown $(count_cpu 1 - shown)"
    i=$((i + 1))
done
report() {
    ns=$(echo $2 | tr ' ' '\n' | median)
    awk -v ns="$ns" -v s="$seconds" -v what="$1" -v all="$2" 'BEGIN {
        printf "processor time while counting down, %s: %.3f%% of one core (%.1f ms in %d s; each round, ns:%s)\n",
            what, 100 * ns / 1e9 / s, ns / 1e6, s, all }'
}
report "main window's input only, window minimised" "$off"
report "whole desktop, window minimised" "$on"
report "whole desktop, GNOME's and KDE's inhibitions asked, window minimised" "$served"
report "every option on, GNOME's and KDE's inhibitions asked, window minimised" "$every"
report "main window's input only, window on the screen" "$off_shown"
report "whole desktop, window on the screen" "$on_shown"
# The same difference without the noise of the rest of the machine: one tick, on the thread's own clock.
"$top/build/bench/bench_tick" 2>/dev/null
