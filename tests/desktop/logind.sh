# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=sh
# logind for a test desktop: Debian's elogind, unpacked by scripts/deps.sh test and never installed (it would take
# the place of systemd), on a system bus of its own. Sourced by desktop.sh after session.sh, as root.
#
# start_logind exports DBUS_SYSTEM_BUS_ADDRESS, puts elogind's loginctl first on PATH and sets $logind_session, the
# program that runs a command in a login session of its own. elogind's traces outside the work folder (its cgroup
# hierarchy and its files in /run/systemd) go with the session.

elogind_root=${LUMAVEIL_ELOGIND_ROOT:-/var/lib/lumaveil-tests/elogind}
logind_session=${LUMAVEIL_LOGIND_SESSION:-}

start_logind() {
    if [ "$(id -u)" -ne 0 ] || [ ! -x "$elogind_root/lib/elogind/elogind" ] || [ ! -x "$logind_session" ]; then
        echo "desktop.sh: logind needs root, elogind in $elogind_root (scripts/deps.sh test) and" \
            "LUMAVEIL_LOGIND_SESSION" >&2
        return 1
    fi
    cat >"$work/system-bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/system-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_type="method_call"/>
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
  </policy>
</busconfig>
CONF
    system_bus=$(dbus-daemon --config-file="$work/system-bus.conf" --fork --print-pid=1) || return 1
    started "$system_bus"
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/system-bus"
    export DBUS_SYSTEM_BUS_ADDRESS

    run_systemd_before=$(ls /run/systemd 2>/dev/null)
    cgroup_before=$(grep -c ' /sys/fs/cgroup/elogind ' /proc/mounts)
    trap 'cleanup; forget_logind' EXIT
    libraries="$elogind_root/lib/elogind:$elogind_root/lib/x86_64-linux-gnu"
    LD_LIBRARY_PATH=$libraries "$elogind_root/lib/elogind/elogind" >"$work/elogind.log" 2>&1 &
    started $!
    mkdir "$work/bin"
    printf '#!/bin/sh\nLD_LIBRARY_PATH=%s exec %s "$@"\n' "$libraries" "$elogind_root/bin/loginctl" >"$work/bin/loginctl"
    chmod +x "$work/bin/loginctl"
    PATH="$work/bin:$PATH"
    export PATH
    await timeout 2 "$work/bin/loginctl" list-sessions || { echo "desktop.sh: elogind did not start" >&2; cat "$work/elogind.log" >&2; return 1; }
}

forget_logind() {
    for entry in $(ls /run/systemd 2>/dev/null); do
        case "$run_systemd_before" in *"$entry"*) ;; *) rm -rf "/run/systemd/$entry" ;; esac
    done
    [ "$cgroup_before" -eq 0 ] && umount /sys/fs/cgroup/elogind 2>/dev/null
    return 0
}
