// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/IdleLockHandover.h"

#include "desktop/DesktopLockTime.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <algorithm>
#include <memory>

namespace {

// The countdown asks the desktop once a second; an answer older than this was not the one that ended the count.
constexpr qint64 freshPollMs = 2000;
// QTimer counts in int milliseconds: a longer wait is taken in steps.
constexpr qint64 longestWaitMs = 24 * 60 * 60 * 1000;

qint64 monotonicMs()
{
    static QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

} // namespace

IdleLockHandover::IdleLockHandover(std::function<QDBusConnection()> sessionBus, QObject* parent)
    : QObject(parent)
    , m_clock(monotonicMs)
{
    auto desktop = std::make_shared<DesktopLockTime>(std::move(sessionBus));
    m_lockTime = [desktop](QObject* context, DesktopLockTime::Answer answer) {
        desktop->ask(context, std::move(answer));
    };
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &IdleLockHandover::checkTime);
}

void IdleLockHandover::setLockTime(LockTime lockTime)
{
    m_lockTime = std::move(lockTime);
}

void IdleLockHandover::setClock(std::function<qint64()> clock)
{
    m_clock = std::move(clock);
}

qint64 IdleLockHandover::now() const
{
    return m_clock();
}

void IdleLockHandover::desktopPolled(const DesktopActivity& activity)
{
    if (activity.idleMilliseconds && *activity.idleMilliseconds != DesktopActivity::NotAsked) {
        m_desktopIdleMs = std::max<qint64>(0, *activity.idleMilliseconds);
        m_desktopPolledAt = now();
    }
}

void IdleLockHandover::begin(QObject* showing, std::optional<qint64> countdownIdleMs)
{
    end();
    qint64 idleMs = std::max<qint64>(0, countdownIdleMs.value_or(0));
    if (countdownIdleMs && m_desktopIdleMs && now() - m_desktopPolledAt <= freshPollMs) {
        idleMs = *m_desktopIdleMs + (now() - m_desktopPolledAt);
    }
    m_lastInputAt = now() - idleMs;
    m_showing = showing;
    connect(showing, &QObject::destroyed, this, &IdleLockHandover::end);
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->installEventFilter(this);
    }
    const quint64 round = ++m_round;
    m_lockTime(this, [this, round](std::optional<qint64> lockAfterMs) {
        if (round != m_round || !isRunning()) {
            return;
        }
        m_lockAfterMs = lockAfterMs;
        checkTime();
    });
}

void IdleLockHandover::handOn(QObject* showing)
{
    if (!m_showing) {
        return;
    }
    disconnect(m_showing, &QObject::destroyed, this, &IdleLockHandover::end);
    m_showing = showing;
    connect(showing, &QObject::destroyed, this, &IdleLockHandover::end);
}

void IdleLockHandover::end()
{
    if (m_showing) {
        disconnect(m_showing, &QObject::destroyed, this, &IdleLockHandover::end);
    }
    m_showing = nullptr;
    ++m_round;
    m_lockAfterMs.reset();
    m_timer.stop();
    if (QCoreApplication* application = QCoreApplication::instance()) {
        application->removeEventFilter(this);
    }
}

void IdleLockHandover::inputSeen()
{
    // The timer goes on: when it comes, it waits for what is left from here.
    m_lastInputAt = now();
}

void IdleLockHandover::promptShown(bool shown)
{
    if (shown) {
        inputSeen();
    }
}

std::optional<qint64> IdleLockHandover::timeLeft() const
{
    if (!isRunning() || !m_lockAfterMs) {
        return std::nullopt;
    }
    return std::max<qint64>(0, m_lastInputAt + *m_lockAfterMs - now());
}

void IdleLockHandover::checkTime()
{
    const std::optional<qint64> left = timeLeft();
    if (!left) {
        return;
    }
    if (*left > 0) {
        m_timer.start(static_cast<int>(std::min(*left, longestWaitMs)));
        return;
    }
    end();
    emit lockDue();
}

bool IdleLockHandover::eventFilter(QObject* watched, QEvent* event)
{
    // Pointer moves are left out: the showing moves the pointer itself, and a move that counts as input opens the
    // password prompt or ends the showing, which the caller tells.
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TabletPress:
        inputSeen();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
