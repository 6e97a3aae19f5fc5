// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DesktopBuses.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <functional>

class QDBusMessage;
class X11LockRequests;

/**
 * Follows the lock of this login session and the sleep of the machine, and asks for the lock. Sources: logind on
 * the system bus (the session's Lock and Unlock, its LockedHint, the manager's PrepareForSleep) and the desktop's
 * screen saver service on the session bus (ActiveChanged, GetActive, and KDE's AboutToLock); and, during a showing,
 * the lock requests that programs send to xscreensaver (X11LockRequests).
 *
 * The session is away from the moment it locks or the machine prepares to sleep, until it is unlocked and the
 * machine has woken up. Every call on a bus is asynchronous; without a bus, or without logind on it, the session
 * never goes away and a lock request goes to the screen saver service.
 *
 * While a showing runs, the screen saver service is trusted only in the program that owned its name when the
 * showing began: another program that takes the name meanwhile cannot end a showing by posing as the desktop.
 */
class SessionWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SessionWatcher(const DesktopBuses& buses, QObject* parent = nullptr);

    /** Locked, or the machine asleep: nothing on the screen can be seen. */
    [[nodiscard]] bool isAway() const
    {
        return m_locked || m_asleep;
    }
    /** logind's object of this session once it has been found; empty before, and where there is no logind. */
    [[nodiscard]] QString sessionPath() const
    {
        return m_sessionPath;
    }

    /**
     * Whether logind answers on the system bus, so that the session can be locked. True while that is not known yet,
     * and then as the first answer and each lock request's answer tell.
     */
    [[nodiscard]] bool canLock() const
    {
        return m_logind != Logind::Absent;
    }
    /** Why the session cannot be locked, for a person; empty while it can. */
    [[nodiscard]] QString whyNoLock() const;

    /**
     * Asks logind to lock this session, as `loginctl lock-session` does, or where logind does not answer, the
     * desktop's screen saver service; the desktop's lock screen comes. A request that fails is told by lockFailed(),
     * later, also where there is no bus.
     */
    void lockSession();
    /**
     * Asks the session's lock state again, where a lock screen came without a word (one that was up before the
     * program started, or whose signal was missed). Only a lock is learnt this way; its end is told by the signals.
     */
    void refresh();
    /** A showing began or ended: whom to trust in the meantime. */
    void setShowing(bool showing);
    /**
     * Input reached one of the program's windows, so no lock screen stands in front of them: the session counts as
     * open again even where the lock screen did not announce its end (some never do). No signal follows; the caller
     * takes up again what it held.
     */
    void inputSeen();

signals:
    /** The session went away (locked or asleep), or came back. */
    void awayChanged(bool away);
    /** Whether logind answers changed. */
    void canLockChanged(bool canLock);
    /**
     * A lock request failed, for the given reason. Told once for a run of failures: after a failure, only a lock that
     * succeeds makes the next failure told again.
     */
    void lockFailed(const QString& reason);
    /**
     * The desktop is about to put up its lock screen, which needs the keyboard and the pointer: whoever holds them
     * must let go now, or the lock fails.
     */
    void lockComing();

private slots:
    void sessionLocked();
    void sessionUnlocked();
    void prepareForSleep(bool sleeping);
    void screenSaverActiveChanged(bool active, const QDBusMessage& message);
    void screenSaverAboutToLock(const QDBusMessage& message);
    void screenSaverOwnerChanged(const QString& name, const QString& oldOwner, const QString& newOwner);
    void sessionPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList& invalidated);

private:
    void findSession();
    void findSessionFromEnvironment();
    void findDisplaySession();
    void findSessionById(const QString& id, const std::function<void()>& otherwise);
    bool watchSession(const QString& path);
    void ask(const QDBusMessage& call, std::function<void(const QDBusMessage&)> onReply);
    void askSessionBus(const QDBusMessage& call, std::function<void(const QDBusMessage&)> onReply);
    void askOn(QDBusConnection& bus, const QDBusMessage& call, std::function<void(const QDBusMessage&)> onReply);
    void setAway(bool locked, bool asleep);
    void setLogind(const QDBusMessage& reply);
    void lockAnswered(const QDBusMessage& reply);
    void lockByScreenSaver();
    void failLock(const QString& reason);
    [[nodiscard]] bool trusts(const QDBusMessage& message) const;

    enum class Logind
    {
        Asking,
        Answers,
        Absent,
    };

    QDBusConnection m_systemBus;
    QDBusConnection m_sessionBus;
    QString m_sessionPath;
    bool m_locked = false;
    bool m_asleep = false;
    Logind m_logind = Logind::Asking;
    bool m_lockFailureTold = false;
    // The screen saver service's owner now, and the one trusted while a showing runs.
    QString m_screenSaverOwner;
    QString m_trustedScreenSaver;
    bool m_showing = false;
    X11LockRequests* m_lockRequests = nullptr;
};
