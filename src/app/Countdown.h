// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DesktopActivity.h"

#include <QCoreApplication>
#include <QString>

/**
 * The inactivity count of the main window. It keeps the numbers and the texts; the window's one-second timer calls
 * tick(), and the window's input calls reset().
 */
class Countdown
{
    Q_DECLARE_TR_FUNCTIONS(Countdown)

public:
    /**
     * Seconds of a countdown of the given minutes ("0.5" is 30). Throws Failure for text that is no number, and for
     * minutes that come to no second: a showing after every tick would leave no way out but turning it off.
     */
    [[nodiscard]] static qint32 lengthInSeconds(const QString& minutesText);
    /** Whether the text is minutes that come to a second or more; a number too large to count is one too. */
    [[nodiscard]] static bool isWait(const QString& minutesText);

    /** Counts one second. */
    void tick();
    /**
     * Counts one second of the whole desktop's inactivity. Input anywhere since the last tick brings the count back
     * to the desktop's idle time. While another program holds the desktop's idle action off, the count stays at 0,
     * and the tick that finds the hold gone starts it afresh, so that the full time passes after the hold. Where the
     * desktop told no idle time, this is tick().
     */
    void tick(const DesktopActivity& desktop);
    /** Whether the next tick may bring the count to its end. */
    [[nodiscard]] bool mayEndWithNextTick() const
    {
        return mayEndWithin(1);
    }
    /** Whether one of the next ticks, so many of them, may bring the count to its end. */
    [[nodiscard]] bool mayEndWithin(int ticks) const
    {
        return qint64(ElapsedSeconds) + ticks >= CountdownSeconds;
    }
    /** The count has reached its length. */
    [[nodiscard]] bool expired() const
    {
        return ElapsedSeconds >= CountdownSeconds;
    }
    void reset();

    [[nodiscard]] qint32 secondsLeft() const;
    /** The status text of a tick, for example "There will be 1:15 minutes until screensaver starts". */
    [[nodiscard]] static QString timeLeftText(qint32 secondsLeft);

    [[nodiscard]] static QString notCountingText();
    [[nodiscard]] static QString turnedOnText();
    [[nodiscard]] static QString turnOnCaption();
    [[nodiscard]] static QString turnOffCaption();

    bool ScreensaverOn = false;
    /** The last tick found the desktop's idle action held off by another program. */
    bool Held = false;
    qint32 CountdownSeconds = 0;
    qint32 ElapsedSeconds = 0;
};
