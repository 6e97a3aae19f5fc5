// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopLockTime.h"

#include "desktop/DBusQuery.h"
#include "desktop/DesktopLockSettings.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTimer>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>

namespace {

constexpr qint64 freshForMs = 1000;

Display* display()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

} // namespace

struct DesktopLockTime::Last
{
    QElapsedTimer age;
    std::optional<qint64> lockAfterMs;
};

DesktopLockTime::DesktopLockTime(std::function<QDBusConnection()> sessionBus)
    : m_sessionBus(std::move(sessionBus))
    , m_last(std::make_shared<Last>())
{}

void DesktopLockTime::ask(QObject* context, Answer answer)
{
    if (m_last->age.isValid() && m_last->age.elapsed() < freshForMs) {
        QTimer::singleShot(0, context, [answer = std::move(answer), last = m_last->lockAfterMs] { answer(last); });
        return;
    }
    const QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                             QStringLiteral("/org/freedesktop/DBus"),
                                                             QStringLiteral("org.freedesktop.DBus"),
                                                             QStringLiteral("ListNames"));
    DBusQuery::ask(m_sessionBus, call, context, [last = m_last, answer = std::move(answer)](const QDBusMessage& reply) {
        // Without a session bus, only xscreensaver can be found.
        const QStringList names = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()
                                      ? reply.arguments().constFirst().toStringList()
                                      : QStringList();
        last->lockAfterMs = lockAfterMs(locker(names, xscreensaverRuns()));
        last->age.start();
        answer(last->lockAfterMs);
    });
}

DesktopLockTime::Locker DesktopLockTime::locker(const QStringList& busNames, bool xscreensaverRuns)
{
    if (busNames.contains(QLatin1String("org.gnome.ScreenSaver"))) {
        return Locker::Gnome;
    }
    if (busNames.contains(QLatin1String("org.kde.screensaver"))) {
        return Locker::Kde;
    }
    return xscreensaverRuns ? Locker::XScreenSaver : Locker::Absent;
}

bool DesktopLockTime::xscreensaverRuns()
{
    Display* connection = display();
    if (!connection) {
        return false;
    }
    // Its window, a child of the root window, carries its version; xscreensaver-command looks for it so.
    const Atom version = XInternAtom(connection, "_SCREENSAVER_VERSION", True);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (version == None || !XQueryTree(connection, XDefaultRootWindow(connection), &root, &parent, &children, &count)) {
        return false;
    }
    bool found = false;
    for (unsigned int i = 0; i < count && !found; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(connection,
                               children[i],
                               version,
                               0,
                               0,
                               False,
                               AnyPropertyType,
                               &type,
                               &format,
                               &items,
                               &after,
                               &data) == Success) {
            found = type != None;
        }
        if (data) {
            XFree(data);
        }
    }
    if (children) {
        XFree(children);
    }
    return found;
}

std::optional<qint64> DesktopLockTime::lockAfterMs(Locker locker)
{
    switch (locker) {
    case Locker::Gnome:
        return DesktopLockSettings::gnomeLockAfterMs(
            DesktopLockSettings::readGnome().value_or(DesktopLockSettings::GnomeValues{}));
    case Locker::Kde:
        return DesktopLockSettings::readKde();
    case Locker::XScreenSaver:
        return DesktopLockSettings::readXScreenSaver();
    case Locker::Absent:
        break;
    }
    return std::nullopt;
}
