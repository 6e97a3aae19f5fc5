// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DesktopActivity.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <optional>

/**
 * Keeps a showing from stretching the desktop's own lock after inactivity. A showing holds off the desktop's idle
 * action, and with it the lock that the desktop would bring after so long without input: once that time has passed
 * since the last input, the time before the showing included, lockDue() tells that the showing should hand over to
 * the session's lock. Any key, click or wheel turn in the program during the showing, the password prompt included,
 * starts the time again. Where the desktop does not lock by itself, nothing is due.
 */
class IdleLockHandover : public QObject
{
    Q_OBJECT

public:
    /** Asks for the desktop's lock time; the answer comes later, never once context is gone. */
    using LockTime =
        std::function<void(QObject* context, std::function<void(std::optional<qint64> lockAfterMs)> answer)>;

    /** With the desktop's lock time as DesktopLockTime reads it, the session bus given. */
    explicit IdleLockHandover(std::function<QDBusConnection()> sessionBus, QObject* parent = nullptr);

    void setLockTime(LockTime lockTime);
    /** A monotonic clock in milliseconds; tests set their own. */
    void setClock(std::function<qint64()> clock);

    /** What the desktop told of its idle time: the freshest answer tells the inactivity before a showing. */
    void desktopPolled(const DesktopActivity& activity);
    /**
     * A showing starts in the window `showing` and lasts until the window goes. countdownIdleMs is the inactivity
     * that the countdown counted before it, or nothing for a showing started by hand, after input. Where the desktop
     * told its idle time within the last moments, that counts instead: it also knows of input elsewhere.
     */
    void begin(QObject* showing, std::optional<qint64> countdownIdleMs);
    /** The showing goes on in another object, which lasts as long as it does; the time since the last input runs on. */
    void handOn(QObject* showing);
    /** The showing ended another way: nothing is due any more. */
    void end();
    void inputSeen();
    /** The password prompt opened, on input that the showing took for it: a pointer move, say. */
    void promptShown(bool shown);

    [[nodiscard]] bool isRunning() const
    {
        return m_showing != nullptr;
    }
    /** Time left until the lock is due, nothing while the desktop's lock time is not known or where there is none. */
    [[nodiscard]] std::optional<qint64> timeLeft() const;
    /** Emits lockDue() where the time has come, or waits for the rest of it; the timer calls it. */
    void checkTime();

signals:
    /** The desktop's lock time has passed since the last input; told once, and the handover ends. */
    void lockDue();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    [[nodiscard]] qint64 now() const;

    LockTime m_lockTime;
    std::function<qint64()> m_clock;
    QPointer<QObject> m_showing;
    // Each showing's question about the lock time; an answer for an earlier one is left aside.
    quint64 m_round = 0;
    std::optional<qint64> m_lockAfterMs;
    qint64 m_lastInputAt = 0;
    std::optional<qint64> m_desktopIdleMs;
    qint64 m_desktopPolledAt = 0;
    QTimer m_timer;
};
