// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Countdown.h"

#include "system/Convert.h"
#include "system/Failure.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

QString Countdown::notCountingText()
{
    return tr("Screensaver is not counting down");
}

QString Countdown::turnedOnText()
{
    return tr("Screensaver is turned on");
}

QString Countdown::turnOnCaption()
{
    return tr("Turn On Screensaver");
}

QString Countdown::turnOffCaption()
{
    return tr("Turn Off Screensaver");
}

qint32 Countdown::lengthInSeconds(const QString& minutesText)
{
    const qint32 seconds = Convert::toLong(Convert::toDouble(minutesText) * 60);
    if (seconds <= 0) {
        throw Failure(tr("Invalid procedure call or argument"));
    }
    return seconds;
}

bool Countdown::isWait(const QString& minutesText)
{
    return Convert::isNumeric(minutesText) && std::nearbyint(Convert::toDouble(minutesText) * 60) >= 1;
}

void Countdown::tick()
{
    // Saturates rather than wrapping, in case the timer outlives a very long count.
    if (ElapsedSeconds < std::numeric_limits<qint32>::max()) {
        ++ElapsedSeconds;
    }
}

void Countdown::tick(const DesktopActivity& desktop)
{
    if (!desktop.idleMilliseconds) {
        Held = false;
        tick();
        return;
    }
    const bool wasHeld = std::exchange(Held, desktop.held());
    if (Held || wasHeld) {
        ElapsedSeconds = 0;
        return;
    }
    tick();
    const qint64 idleSeconds = std::max<qint64>(0, *desktop.idleMilliseconds / 1000);
    ElapsedSeconds = static_cast<qint32>(std::min<qint64>(ElapsedSeconds, idleSeconds));
}

void Countdown::reset()
{
    ElapsedSeconds = 0;
    Held = false;
}

qint32 Countdown::secondsLeft() const
{
    const qint64 left = qint64(CountdownSeconds) - ElapsedSeconds;
    return static_cast<qint32>(
        std::clamp<qint64>(left, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
}

QString Countdown::timeLeftText(qint32 secondsLeft)
{
    return tr("There will be %1:%2 minutes until screensaver starts")
        .arg(secondsLeft / 60)
        .arg(secondsLeft % 60, 2, 10, QLatin1Char('0'));
}
