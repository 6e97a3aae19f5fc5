#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command with a system tray host on the current X display, then stops the host.
set -u
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
tray=$!
"$@"
status=$?
kill "$tray" 2>/dev/null
wait "$tray" 2>/dev/null
exit $status
