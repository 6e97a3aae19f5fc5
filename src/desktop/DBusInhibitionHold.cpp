// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DBusInhibitionHold.h"

#include "desktop/DBusQuery.h"

#include <QCoreApplication>

DBusInhibitionHold::DBusInhibitionHold(std::function<QDBusConnection()> bus, Method method)
    : m_bus(std::move(bus))
    , m_method(std::move(method))
    , m_changes([this] { changed(); })
{}

std::unique_ptr<DBusInhibitionHold> DBusInhibitionHold::gnome(std::function<QDBusConnection()> bus)
{
    return std::make_unique<DBusInhibitionHold>(
        std::move(bus),
        Method{{QStringLiteral("org.gnome.SessionManager"),
                QStringLiteral("/org/gnome/SessionManager"),
                QStringLiteral("org.gnome.SessionManager"),
                QStringLiteral("IsInhibited"),
                QCoreApplication::translate("DesktopIdle", "GNOME's session manager")},
               8,
               {QStringLiteral("InhibitorAdded"), QStringLiteral("InhibitorRemoved")}});
}

std::unique_ptr<DBusInhibitionHold> DBusInhibitionHold::kde(std::function<QDBusConnection()> bus)
{
    return std::make_unique<DBusInhibitionHold>(
        std::move(bus),
        Method{{QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent"),
                QStringLiteral("/org/kde/Solid/PowerManagement/PolicyAgent"),
                QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent"),
                QStringLiteral("HasInhibition"),
                QCoreApplication::translate("DesktopIdle", "KDE's power management")},
               4,
               {QStringLiteral("InhibitionsChanged")}});
}

QString DBusInhibitionHold::name() const
{
    return m_method.name;
}

void DBusInhibitionHold::ask(std::function<void(const HoldAnswer&)> done)
{
    if (!m_watching && m_bus) {
        m_watching =
            m_changes.watch(m_bus(), m_method.service, m_method.path, m_method.interface, m_method.changeSignals);
    }
    if (m_known && m_knownSince.elapsed() < keepAnswerMs) {
        done(HoldAnswer{m_known, {}});
        return;
    }
    QDBusMessage call = m_method.call();
    call << m_method.flags;
    const quint64 changes = m_changeCount;
    DBusQuery::ask(m_bus, call, &m_answers, [this, changes, done = std::move(done)](const QDBusMessage& reply) {
        const std::optional<bool> held = DBusQuery::booleanAnswer(reply);
        // Kept only where a signal will tell that it no longer holds.
        if (held && m_watching && changes == m_changeCount) {
            m_known = held;
            m_knownSince.start();
        }
        done(held ? HoldAnswer{held, {}} : HoldAnswer{std::nullopt, DBusQuery::failure(reply)});
    });
}

void DBusInhibitionHold::changed()
{
    m_known.reset();
    ++m_changeCount;
}
