// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DesktopBuses.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

/**
 * A message bus of the test's own (a dbus-daemon that activates nothing and lets anyone own any name). One bus
 * serves as both the session bus and the system bus: stand-ins of the desktop's services and of logind sit on it
 * beside the program.
 */
class PrivateBus
{
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    [[nodiscard]] bool isRunning() const
    {
        return !m_address.isEmpty();
    }
    /** The address, as DBUS_SESSION_BUS_ADDRESS and DBUS_SYSTEM_BUS_ADDRESS give it. */
    [[nodiscard]] QString address() const
    {
        return m_address;
    }
    /** A connection of its own, as another program on the bus has. */
    [[nodiscard]] QDBusConnection connect();
    /** The buses of a program that finds its session bus and its system bus here. */
    [[nodiscard]] DesktopBuses buses();
    /**
     * Returns once the bus has dealt with all that was sent on the connection so far: the signals that it subscribed
     * to reach it from now on.
     */
    static void sync(const QDBusConnection& connection);

private:
    QTemporaryDir m_folder;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};
