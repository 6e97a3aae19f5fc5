#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up benchmark: the time from starting Lumaveil until its main window is mapped, against a bare Qt window in
# the same run, and the processor time Lumaveil takes while it counts down with no showing.
# Usage: bench/startup.sh [runs]   (needs a build in build/, and xvfb, xdotool)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-9}
"$top/scripts/build.sh" lumaveil >/dev/null
"$top/scripts/build.sh" bench_bare_window >/dev/null
if [ -z "${LUMAVEIL_BENCH_DISPLAY:-}" ]; then
    LUMAVEIL_BENCH_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" "$0" "$@"
fi

config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
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

# Idle while counting down: the screensaver on, 10 minutes to wait, nothing else happening.
mkdir -p "$config/Quelmar"
printf '[General]\nStartStopState=On\nText3=10\n' > "$config/Quelmar/Lumaveil.conf"
"$top/build/src/lumaveil" >/dev/null 2>&1 &
pid=$!
sleep 3
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
before=$(ticks $pid)
seconds=20
sleep $seconds
after=$(ticks $pid)
kill $pid; wait $pid 2>/dev/null || true
hz=$(getconf CLK_TCK)
echo "processor time while counting down: $(awk -v t=$((after - before)) -v hz="$hz" -v s=$seconds \
    'BEGIN { printf "%.3f%% of one core (%d ms in %d s)", 100 * t / hz / s, 1000 * t / hz, s }')"
