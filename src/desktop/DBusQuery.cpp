// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DBusQuery.h"

#include <QCoreApplication>
#include <QDBusPendingCallWatcher>
#include <QMetaType>
#include <QPointer>
#include <QTimer>

namespace DBusQuery {

void ask(const std::function<QDBusConnection()>& bus,
         const QDBusMessage& call,
         QObject* context,
         std::function<void(const QDBusMessage& reply)> done)
{
    QDBusConnection connection = bus ? bus() : QDBusConnection(QString());
    if (!connection.isConnected()) {
        // Answered from the event loop all the same, as a service would.
        const QDBusMessage error = call.createErrorReply(QDBusError::Disconnected,
                                                         QCoreApplication::translate("DesktopIdle", "no message bus"));
        QTimer::singleShot(0, context, [done = std::move(done), error] { done(error); });
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(call, answerTimeoutMs), context);
    QObject::connect(watcher,
                     &QDBusPendingCallWatcher::finished,
                     context,
                     [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         done(finished->reply());
                     });
}

namespace {

std::optional<QVariant> onlyArgument(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return std::nullopt;
    }
    return reply.arguments().constFirst();
}

} // namespace

std::optional<quint64> unsignedAnswer(const QDBusMessage& reply)
{
    const std::optional<QVariant> value = onlyArgument(reply);
    if (!value) {
        return std::nullopt;
    }
    switch (value->metaType().id()) {
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value->toULongLong();
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::LongLong:
        if (value->toLongLong() >= 0) {
            return quint64(value->toLongLong());
        }
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

std::optional<bool> booleanAnswer(const QDBusMessage& reply)
{
    const std::optional<QVariant> value = onlyArgument(reply);
    if (!value || value->metaType().id() != QMetaType::Bool) {
        return std::nullopt;
    }
    return value->toBool();
}

QString failure(const QDBusMessage& reply)
{
    if (reply.type() == QDBusMessage::ErrorMessage) {
        return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    }
    return QCoreApplication::translate("DesktopIdle", "an answer of the wrong kind (%1)").arg(reply.signature());
}

} // namespace DBusQuery

DBusSignalWatch::DBusSignalWatch(std::function<void()> signalled)
    : m_signalled(std::move(signalled))
{}

bool DBusSignalWatch::watch(QDBusConnection bus,
                            const QString& service,
                            const QString& path,
                            const QString& interface,
                            const QStringList& names)
{
    bool all = true;
    for (const QString& name : names) {
        // A slot without parameters takes the signal whatever its arguments.
        all = bus.connect(service, path, interface, name, this, SLOT(signalled())) && all;
    }
    return all;
}

void DBusSignalWatch::signalled()
{
    m_signalled();
}
