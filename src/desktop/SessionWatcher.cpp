// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/SessionWatcher.h"

#include "desktop/X11LockRequests.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QLoggingCategory>

#include <utility>

Q_LOGGING_CATEGORY(lcSession, "lumaveil.session", QtWarningMsg)

namespace {

const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString managerPath = QStringLiteral("/org/freedesktop/login1");
const QString managerInterface = QStringLiteral("org.freedesktop.login1.Manager");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
// logind's name for the caller's own session, or else the user's graphical one. Good for calls; signals come from
// the session's real object only.
const QString autoSessionPath = QStringLiteral("/org/freedesktop/login1/session/auto");
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString screenSaver = QStringLiteral("org.freedesktop.ScreenSaver");
const QString screenSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
// KDE's screen locker says on its own interface that it is about to lock, on both of its paths; one is enough.
const QString kdeScreenSaverPath = QStringLiteral("/ScreenSaver");
const QString kdeScreenSaverInterface = QStringLiteral("org.kde.screensaver");

bool answered(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
}

QString objectPath(const QDBusMessage& reply)
{
    return answered(reply) ? reply.arguments().constFirst().value<QDBusObjectPath>().path() : QString();
}

// A boolean answer, plain (GetActive) or as a property's value (LockedHint).
bool trueAnswer(const QDBusMessage& reply)
{
    if (!answered(reply)) {
        return false;
    }
    const QVariant value = reply.arguments().constFirst();
    return value.canConvert<QDBusVariant>() ? value.value<QDBusVariant>().variant().toBool() : value.toBool();
}

// Any answer but the bus's own for a name that nobody holds, or that does not answer, comes from logind: a refusal
// too.
bool fromLogind(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ErrorMessage) {
        return true;
    }
    switch (QDBusError(reply).type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
        return false;
    default:
        return reply.errorName() != QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
    }
}

} // namespace

SessionWatcher::SessionWatcher(const DesktopBuses& buses, QObject* parent)
    : QObject(parent)
    , m_systemBus(buses.system())
    , m_sessionBus(buses.session())
    , m_lockRequests(new X11LockRequests(this))
{
    // xscreensaver tells no one that it locks: the request itself is heard.
    connect(m_lockRequests, &X11LockRequests::lockRequested, this, &SessionWatcher::lockComing);
    if (!m_systemBus.isConnected()) {
        m_logind = Logind::Absent;
    } else {
        m_systemBus.connect(login1,
                            managerPath,
                            managerInterface,
                            QStringLiteral("PrepareForSleep"),
                            this,
                            SLOT(prepareForSleep(bool)));
        findSession();
    }
    if (m_sessionBus.isConnected()) {
        auto* owner =
            new QDBusServiceWatcher(screenSaver, m_sessionBus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(owner, &QDBusServiceWatcher::serviceOwnerChanged, this, &SessionWatcher::screenSaverOwnerChanged);
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                           QStringLiteral("/org/freedesktop/DBus"),
                                                           QStringLiteral("org.freedesktop.DBus"),
                                                           QStringLiteral("GetNameOwner"));
        call << screenSaver;
        askSessionBus(call, [this](const QDBusMessage& reply) {
            // The watcher may have told a newer owner already.
            if (answered(reply) && m_screenSaverOwner.isEmpty()) {
                screenSaverOwnerChanged(screenSaver, {}, reply.arguments().constFirst().toString());
            }
        });
        m_sessionBus.connect(screenSaver,
                             screenSaverPath,
                             screenSaver,
                             QStringLiteral("ActiveChanged"),
                             this,
                             SLOT(screenSaverActiveChanged(bool, QDBusMessage)));
        m_sessionBus.connect(screenSaver,
                             kdeScreenSaverPath,
                             kdeScreenSaverInterface,
                             QStringLiteral("AboutToLock"),
                             this,
                             SLOT(screenSaverAboutToLock(QDBusMessage)));
    }
    refresh();
}

QString SessionWatcher::whyNoLock() const
{
    if (canLock()) {
        return {};
    }
    return m_systemBus.isConnected() ? tr("logind does not answer on the system bus") : tr("there is no system bus");
}

void SessionWatcher::lockSession()
{
    if (!canLock()) {
        lockByScreenSaver();
        return;
    }
    const QString path = m_sessionPath.isEmpty() ? autoSessionPath : m_sessionPath;
    ask(QDBusMessage::createMethodCall(login1, path, sessionInterface, QStringLiteral("Lock")),
        [this](const QDBusMessage& reply) { lockAnswered(reply); });
}

void SessionWatcher::lockAnswered(const QDBusMessage& reply)
{
    setLogind(reply);
    if (reply.type() != QDBusMessage::ErrorMessage) {
        m_lockFailureTold = false;
    } else if (canLock()) {
        // A refusal (by policy, say), in logind's words.
        failLock(reply.errorMessage());
    } else {
        lockByScreenSaver();
    }
}

// Desktops without logind may still lock through their screen saver service (KDE's does).
void SessionWatcher::lockByScreenSaver()
{
    if (!m_sessionBus.isConnected()) {
        // Told later, as an answer on the bus would be: the caller may be in the middle of ending a showing.
        QMetaObject::invokeMethod(
            this, [this] { failLock(whyNoLock()); }, Qt::QueuedConnection);
        return;
    }
    askSessionBus(QDBusMessage::createMethodCall(screenSaver, screenSaverPath, screenSaver, QStringLiteral("Lock")),
                  [this](const QDBusMessage& reply) {
                      if (reply.type() != QDBusMessage::ErrorMessage) {
                          m_lockFailureTold = false;
                      } else {
                          failLock(whyNoLock());
                      }
                  });
}

void SessionWatcher::refresh()
{
    if (m_sessionBus.isConnected()) {
        askSessionBus(
            QDBusMessage::createMethodCall(screenSaver, screenSaverPath, screenSaver, QStringLiteral("GetActive")),
            [this](const QDBusMessage& reply) {
                if (trusts(reply) && trueAnswer(reply)) {
                    setAway(true, m_asleep);
                }
            });
    }
    if (m_systemBus.isConnected() && !m_sessionPath.isEmpty()) {
        QDBusMessage call =
            QDBusMessage::createMethodCall(login1, m_sessionPath, propertiesInterface, QStringLiteral("Get"));
        call << sessionInterface << QStringLiteral("LockedHint");
        ask(call, [this](const QDBusMessage& reply) {
            if (trueAnswer(reply)) {
                setAway(true, m_asleep);
            }
        });
    }
}

void SessionWatcher::setShowing(bool showing)
{
    m_showing = showing;
    m_lockRequests->setWatching(showing);
    m_trustedScreenSaver = m_screenSaverOwner;
}

bool SessionWatcher::trusts(const QDBusMessage& message) const
{
    return !m_showing || message.service() == m_trustedScreenSaver;
}

void SessionWatcher::screenSaverOwnerChanged(const QString& /*name*/,
                                             const QString& /*oldOwner*/,
                                             const QString& newOwner)
{
    m_screenSaverOwner = newOwner;
    if (!m_showing) {
        m_trustedScreenSaver = newOwner;
    }
}

void SessionWatcher::failLock(const QString& reason)
{
    // A lock that fails once fails again after every showing: the person hears of it once.
    if (std::exchange(m_lockFailureTold, true)) {
        return;
    }
    qCWarning(lcSession).noquote() << "The session was not locked:" << reason;
    emit lockFailed(reason);
}

void SessionWatcher::setLogind(const QDBusMessage& reply)
{
    const bool could = canLock();
    m_logind = fromLogind(reply) ? Logind::Answers : Logind::Absent;
    if (canLock() != could) {
        emit canLockChanged(canLock());
    }
}

void SessionWatcher::inputSeen()
{
    m_locked = false;
    m_asleep = false;
}

// The session of this process by its process id. A program that the user's service manager started (autostart on
// some desktops) belongs to no session by its process; the environment, or logind's choice of the user's graphical
// session, names it then.
void SessionWatcher::findSession()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(login1, managerPath, managerInterface, QStringLiteral("GetSessionByPID"));
    call << static_cast<quint32>(QCoreApplication::applicationPid());
    ask(call, [this](const QDBusMessage& reply) {
        setLogind(reply);
        if (!watchSession(objectPath(reply))) {
            findSessionFromEnvironment();
        }
    });
}

void SessionWatcher::findSessionFromEnvironment()
{
    const QString id = qEnvironmentVariable("XDG_SESSION_ID");
    if (id.isEmpty()) {
        findDisplaySession();
        return;
    }
    findSessionById(id, [this] { findDisplaySession(); });
}

void SessionWatcher::findDisplaySession()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(login1, autoSessionPath, propertiesInterface, QStringLiteral("Get"));
    call << sessionInterface << QStringLiteral("Id");
    ask(call, [this](const QDBusMessage& reply) {
        const QString id =
            answered(reply) ? reply.arguments().constFirst().value<QDBusVariant>().variant().toString() : QString();
        if (!id.isEmpty()) {
            findSessionById(id, [] {});
        }
    });
}

void SessionWatcher::findSessionById(const QString& id, const std::function<void()>& otherwise)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(login1, managerPath, managerInterface, QStringLiteral("GetSession"));
    call << id;
    ask(call, [this, otherwise](const QDBusMessage& reply) {
        if (!watchSession(objectPath(reply))) {
            otherwise();
        }
    });
}

bool SessionWatcher::watchSession(const QString& path)
{
    if (path.isEmpty()) {
        return false;
    }
    m_sessionPath = path;
    m_systemBus.connect(login1, path, sessionInterface, QStringLiteral("Lock"), this, SLOT(sessionLocked()));
    m_systemBus.connect(login1, path, sessionInterface, QStringLiteral("Unlock"), this, SLOT(sessionUnlocked()));
    // Lock screens that keep LockedHint tell their end there; logind's Unlock comes only where something asks for it.
    m_systemBus.connect(login1,
                        path,
                        propertiesInterface,
                        QStringLiteral("PropertiesChanged"),
                        this,
                        SLOT(sessionPropertiesChanged(QString, QVariantMap, QStringList)));
    // A lock screen that was up before the program started said nothing since.
    refresh();
    return true;
}

void SessionWatcher::ask(const QDBusMessage& call, std::function<void(const QDBusMessage&)> onReply)
{
    askOn(m_systemBus, call, std::move(onReply));
}

void SessionWatcher::askSessionBus(const QDBusMessage& call, std::function<void(const QDBusMessage&)> onReply)
{
    askOn(m_sessionBus, call, std::move(onReply));
}

void SessionWatcher::askOn(QDBusConnection& bus,
                           const QDBusMessage& call,
                           std::function<void(const QDBusMessage&)> onReply)
{
    // The watcher goes with this object: an answer that comes later finds nobody.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher,
            &QDBusPendingCallWatcher::finished,
            this,
            [handle = std::move(onReply)](QDBusPendingCallWatcher* done) {
                done->deleteLater();
                handle(done->reply());
            });
}

void SessionWatcher::sessionLocked()
{
    setAway(true, m_asleep);
}

void SessionWatcher::sessionUnlocked()
{
    setAway(false, m_asleep);
}

void SessionWatcher::prepareForSleep(bool sleeping)
{
    setAway(m_locked, sleeping);
}

void SessionWatcher::screenSaverActiveChanged(bool active, const QDBusMessage& message)
{
    if (trusts(message)) {
        setAway(active, m_asleep);
    }
}

void SessionWatcher::screenSaverAboutToLock(const QDBusMessage& message)
{
    if (trusts(message)) {
        emit lockComing();
    }
}

void SessionWatcher::sessionPropertiesChanged(const QString& interface,
                                              const QVariantMap& changed,
                                              const QStringList& /*invalidated*/)
{
    const auto hint = changed.constFind(QStringLiteral("LockedHint"));
    if (interface == sessionInterface && hint != changed.constEnd()) {
        setAway(hint->toBool(), m_asleep);
    }
}

void SessionWatcher::setAway(bool locked, bool asleep)
{
    const bool wasAway = isAway();
    m_locked = locked;
    m_asleep = asleep;
    if (isAway() != wasAway) {
        emit awayChanged(isAway());
    }
}
