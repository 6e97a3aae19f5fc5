// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>

#include <functional>

/**
 * The message buses the program talks to the desktop on, asked for when first needed. Tests put private buses
 * with stand-in services here.
 */
struct DesktopBuses
{
    /** The user's session bus: the desktop's idle time, its inhibitions and its screen saver. */
    std::function<QDBusConnection()> session = [] { return QDBusConnection::sessionBus(); };
    /** The system bus: logind, which locks the session and puts the machine to sleep. */
    std::function<QDBusConnection()> system = [] { return QDBusConnection::systemBus(); };
};
