// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/WaylandDesktop.h"

#include <QGuiApplication>

namespace WaylandDesktop {

bool isActive()
{
    // "wayland", or a variant for a particular graphics stack, such as "wayland-egl".
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace WaylandDesktop
