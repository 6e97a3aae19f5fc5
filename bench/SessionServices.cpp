// SPDX-License-Identifier: GPL-3.0-or-later
// For the start-up benchmark: the inhibition services of a GNOME or KDE session on the session bus, so that the
// count of the whole desktop's inactivity asks them on every tick as it does there. Nothing is ever inhibited.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QObject>

#include <cstdio>

class SessionManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")

public slots:
    bool IsInhibited(uint flags)
    {
        Q_UNUSED(flags);
        return false;
    }
};

class PolicyAgent : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.Solid.PowerManagement.PolicyAgent")

public slots:
    bool HasInhibition(uint types)
    {
        Q_UNUSED(types);
        return false;
    }
};

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    SessionManager manager;
    PolicyAgent agent;
    const bool served =
        bus.registerObject(QStringLiteral("/org/gnome/SessionManager"), &manager, QDBusConnection::ExportAllSlots) &&
        bus.registerService(QStringLiteral("org.gnome.SessionManager")) &&
        bus.registerObject(
            QStringLiteral("/org/kde/Solid/PowerManagement/PolicyAgent"), &agent, QDBusConnection::ExportAllSlots) &&
        bus.registerService(QStringLiteral("org.kde.Solid.PowerManagement.PolicyAgent"));
    if (!served) {
        std::fprintf(stderr, "cannot serve on the session bus: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    return QCoreApplication::exec();
}

#include "SessionServices.moc"
