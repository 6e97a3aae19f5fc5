// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>

/** A method of a desktop service on a message bus, and the service as a user knows it. */
struct DBusMethod
{
    QString service;
    QString path;
    QString interface;
    QString member;
    QString name;

    [[nodiscard]] QDBusMessage call() const
    {
        return QDBusMessage::createMethodCall(service, path, interface, member);
    }
};

/** Questions to a desktop service on a message bus, asked without waiting for the answer. */
namespace DBusQuery {

/** How long a service may take to answer before the question counts as failed. */
inline constexpr int answerTimeoutMs = 500;

/**
 * Sends the call and returns at once. done gets the reply, or an error reply where there is no bus, no such service,
 * or no answer within the time; it runs from the event loop, and never once context is gone.
 */
void ask(const std::function<QDBusConnection()>& bus,
         const QDBusMessage& call,
         QObject* context,
         std::function<void(const QDBusMessage& reply)> done);

/** The reply's only argument as a whole number of at least 0, where it is one. */
[[nodiscard]] std::optional<quint64> unsignedAnswer(const QDBusMessage& reply);
/** The reply's only argument as a truth value, where it is one. */
[[nodiscard]] std::optional<bool> booleanAnswer(const QDBusMessage& reply);
/** Why the question failed, in words: the error of an error reply, or what was wrong with the answer. */
[[nodiscard]] QString failure(const QDBusMessage& reply);

} // namespace DBusQuery

/** Calls back whenever one of a service's signals comes, whatever the signal carries. */
class DBusSignalWatch : public QObject
{
    Q_OBJECT

public:
    explicit DBusSignalWatch(std::function<void()> signalled);

    /** Listens on the bus; false where the bus did not take the subscription. */
    bool watch(QDBusConnection bus,
               const QString& service,
               const QString& path,
               const QString& interface,
               const QStringList& names);

private slots:
    void signalled();

private:
    std::function<void()> m_signalled;
};
