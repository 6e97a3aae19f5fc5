// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/BlankingInhibitor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString path = QStringLiteral("/org/freedesktop/ScreenSaver");

void unInhibit(quint32 cookie)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("UnInhibit"));
    call << cookie;
    QDBusConnection::sessionBus().asyncCall(call);
}

} // namespace

// The inhibition asked for: its cookie once the service answered, and whether it is no longer wanted.
struct BlankingInhibitor::Request
{
    std::optional<quint32> cookie;
    bool released = false;
};

BlankingInhibitor::BlankingInhibitor()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, service, QStringLiteral("Inhibit"));
    call << QCoreApplication::applicationName()
         << QCoreApplication::translate("BlankingInhibitor", "Showing videos as a screensaver");
    // The answer may come after this object is gone; it is then taken back at once.
    auto request = std::make_shared<Request>();
    m_request = request;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher, [request](QDBusPendingCallWatcher* done) {
        done->deleteLater();
        const QDBusPendingReply<quint32> reply = *done;
        // No such service on this desktop, or it refused: there is nothing to take back.
        if (reply.isError()) {
            return;
        }
        if (request->released) {
            unInhibit(reply.value());
        } else {
            request->cookie = reply.value();
        }
    });
}

BlankingInhibitor::~BlankingInhibitor()
{
    if (!m_request) {
        return;
    }
    m_request->released = true;
    if (m_request->cookie) {
        unInhibit(*m_request->cookie);
    }
}
