// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DBusIdleSource.h"

#include "desktop/DBusQuery.h"

#include <QCoreApplication>

#include <limits>

DBusIdleSource::DBusIdleSource(std::function<QDBusConnection()> bus, DBusMethod method)
    : m_bus(std::move(bus))
    , m_method(std::move(method))
{}

std::unique_ptr<DBusIdleSource> DBusIdleSource::gnome(std::function<QDBusConnection()> bus)
{
    return std::make_unique<DBusIdleSource>(
        std::move(bus),
        DBusMethod{QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                   QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core"),
                   QStringLiteral("org.gnome.Mutter.IdleMonitor"),
                   QStringLiteral("GetIdletime"),
                   QCoreApplication::translate("DesktopIdle", "GNOME's idle monitor")});
}

std::unique_ptr<DBusIdleSource> DBusIdleSource::kde(std::function<QDBusConnection()> bus)
{
    return std::make_unique<DBusIdleSource>(
        std::move(bus),
        DBusMethod{QStringLiteral("org.freedesktop.ScreenSaver"),
                   QStringLiteral("/org/freedesktop/ScreenSaver"),
                   QStringLiteral("org.freedesktop.ScreenSaver"),
                   QStringLiteral("GetSessionIdleTime"),
                   QCoreApplication::translate("DesktopIdle", "KDE's screen saver service")});
}

QString DBusIdleSource::name() const
{
    return m_method.name;
}

void DBusIdleSource::ask(std::function<void(const IdleAnswer&)> done)
{
    DBusQuery::ask(m_bus, m_method.call(), &m_answers, [done = std::move(done)](const QDBusMessage& reply) {
        const std::optional<quint64> milliseconds = DBusQuery::unsignedAnswer(reply);
        if (!milliseconds) {
            done(IdleAnswer{std::nullopt, DBusQuery::failure(reply)});
            return;
        }
        constexpr quint64 most = std::numeric_limits<qint64>::max();
        done(IdleAnswer{qint64(std::min(*milliseconds, most)), {}});
    });
}
