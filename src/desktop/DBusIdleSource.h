// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DBusQuery.h"
#include "desktop/IdleSource.h"

#include <QDBusConnection>
#include <QObject>

#include <memory>

/**
 * The idle time from a desktop service on the session bus, in milliseconds. GNOME and KDE offer one each, on X11 and
 * on Wayland alike.
 */
class DBusIdleSource : public IdleSource
{
public:
    DBusIdleSource(std::function<QDBusConnection()> bus, DBusMethod method);

    /** GNOME's compositor: org.gnome.Mutter.IdleMonitor.GetIdletime, milliseconds as an unsigned 64-bit number. */
    [[nodiscard]] static std::unique_ptr<DBusIdleSource> gnome(std::function<QDBusConnection()> bus);
    /**
     * KDE's screen locker: org.freedesktop.ScreenSaver.GetSessionIdleTime. The interface's own description speaks
     * of seconds, but KDE answers with its idle time in milliseconds, the unit of all its idle timing.
     */
    [[nodiscard]] static std::unique_ptr<DBusIdleSource> kde(std::function<QDBusConnection()> bus);

    [[nodiscard]] QString name() const override;
    void ask(std::function<void(const IdleAnswer&)> done) override;

private:
    std::function<QDBusConnection()> m_bus;
    DBusMethod m_method;
    // Answers to a source that is gone are dropped with it.
    QObject m_answers;
};
