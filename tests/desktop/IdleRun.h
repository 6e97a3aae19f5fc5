// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DesktopTest.h"

#include <QElapsedTimer>

/**
 * What the tests of the desktop-wide count share: the program started counting down six seconds, hidden in the
 * notification area, and the watch for its showing.
 */
namespace IdleRun {

using Window = XClient::Window;

/** The length of the countdown: 0.1 minutes. */
inline constexpr qint64 countdownMs = 6000;

inline QMap<QString, QString> settings(bool desktopIdle, const QMap<QString, QString>& more = {})
{
    QMap<QString, QString> settings = ProgramRun::exampleShowing();
    settings.insert({{QStringLiteral("Text3"), QStringLiteral("0.1")},
                     {QStringLiteral("StartStopState"), QStringLiteral("On")},
                     {QStringLiteral("Minimized"), QStringLiteral("On")},
                     {QStringLiteral("Desktop Idle"), desktopIdle ? QStringLiteral("1") : QStringLiteral("0")}});
    settings.insert(more);
    return settings;
}

/** Whether the program's showing is on the screen. */
inline bool showing(const XClient& x, const ProgramRun& run)
{
    for (Window window : x.windowsOf(run.pid(), QStringLiteral("Slideshow"))) {
        if (x.isViewable(window)) {
            return true;
        }
    }
    return false;
}

/** Starts the program and waits until it counts: its icon is in the notification area, its window hidden there. */
inline bool startCounting(XClient& x, ProgramRun& run)
{
    run.start();
    return QTest::qWaitFor([&] { return x.trayIcon() != 0; }, 15000);
}

/**
 * Keeps the desktop busy for the time with what the action does every one and a half seconds; false as soon as a
 * showing is on the screen. At the end, clock holds the time of the last action.
 */
template <typename Action>
bool busyWithoutShowing(const XClient& x, const ProgramRun& run, qint64 ms, QElapsedTimer& clock, Action&& action)
{
    QElapsedTimer busy;
    busy.start();
    while (true) {
        action();
        clock.start();
        if (busy.elapsed() >= ms) {
            return !showing(x, run);
        }
        for (int i = 0; i < 6; ++i) {
            QTest::qWait(250);
            if (showing(x, run)) {
                return false;
            }
        }
    }
}

/** Milliseconds from the clock's start until the showing is on the screen; -1 when none came within the time. */
inline qint64 msUntilShowing(const XClient& x, const ProgramRun& run, const QElapsedTimer& clock, int timeout = 15000)
{
    if (!QTest::qWaitFor([&] { return showing(x, run); }, timeout)) {
        return -1;
    }
    return clock.elapsed();
}

/** Whether a showing that came that long after the count started again came on time: after the full count, and
 * within the ticks and the time a window takes to appear. */
inline bool onTime(qint64 ms)
{
    return ms >= countdownMs - 500 && ms <= countdownMs + 3500;
}

} // namespace IdleRun
