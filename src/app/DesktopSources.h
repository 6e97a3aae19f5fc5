// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DesktopIdle.h"
#include "desktop/DesktopBuses.h"

/**
 * The desktop's own sources of its idle time, in the order they are tried: the X server's, GNOME's and KDE's
 * services (which serve their Wayland sessions too), then a Wayland compositor's; the inhibitions that GNOME and KDE
 * keep; and full-screen windows on X11.
 */
[[nodiscard]] DesktopIdle::Sources desktopSources(const DesktopBuses& buses);
