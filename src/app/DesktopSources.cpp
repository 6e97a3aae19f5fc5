// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopSources.h"

#include "desktop/DBusIdleSource.h"
#include "desktop/DBusInhibitionHold.h"
#include "desktop/WaylandIdleSource.h"
#include "desktop/X11FullScreenHold.h"
#include "desktop/X11IdleSource.h"

DesktopIdle::Sources desktopSources(const DesktopBuses& buses)
{
    DesktopIdle::Sources sources;
    sources.idle.push_back(std::make_unique<X11IdleSource>());
    sources.idle.push_back(DBusIdleSource::gnome(buses.session));
    sources.idle.push_back(DBusIdleSource::kde(buses.session));
    sources.idle.push_back(std::make_unique<WaylandIdleSource>());
    sources.inhibitions.push_back(DBusInhibitionHold::gnome(buses.session));
    sources.inhibitions.push_back(DBusInhibitionHold::kde(buses.session));
    sources.fullScreen = std::make_unique<X11FullScreenHold>();
    return sources;
}
