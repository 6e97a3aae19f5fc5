// SPDX-License-Identifier: GPL-3.0-or-later
// The processor time of one second of the countdown: the main window's tick, counting the main window's input only
// and counting the whole desktop's inactivity, each tick followed by the event loop's turn that carries the desktop's
// answers, with the main window out of sight, as in the tray. Measured on the thread's own clock, so that other
// programs on the machine do not count. (On the screen the time left is painted as well, once a second; startup.sh
// measures that in real time, as the ticks here come faster than the desktop's idle time changes.)
// Usage: bench_tick [ticks]   (on the display to measure: the X server's idle time needs one)
#include "app/ErrorReport.h"
#include "app/Form1.h"
#include "settings/SettingsStore.h"
#include "showing/Form3.h"
#include "showing/RandomGenerator.h"
#include "widgets/QtDialogs.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <ctime>

namespace {

double threadMicroseconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

// Microseconds of processor time per tick of a long countdown that is on.
double tickCost(const QString& folder, bool desktopIdle, int ticks)
{
    SettingsStore settings(folder + (desktopIdle ? QLatin1String("/on.conf") : QLatin1String("/off.conf")));
    settings.WriteSetting(Setting::DesktopIdle, desktopIdle ? QStringLiteral("1") : QStringLiteral("0"));
    settings.WriteSetting(Setting::Text3, QStringLiteral("100000"));
    settings.WriteSetting(Setting::StartStopState, QStringLiteral("On"));
    QtDialogs dialogs;
    ErrorReport report{dialogs};
    RandomGenerator random;
    DialogPasswordPrompter prompter(settings, dialogs, report, folder);
    Form1 form(Services{settings, dialogs, report, random, prompter, {}, folder});
    form.Form_Load();
    // The ticks come from here, one after another.
    form.Timer4->setInterval(24 * 3600 * 1000);
    form.Timer4->start();
    for (int i = 0; i < 100; ++i) {
        form.Timer4_Timer();
        QCoreApplication::processEvents();
    }
    const double start = threadMicroseconds();
    for (int i = 0; i < ticks; ++i) {
        form.Timer4_Timer();
        QCoreApplication::processEvents();
    }
    return (threadMicroseconds() - start) / ticks;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    const int ticks = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 20000;
    QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
    const double off = tickCost(folder.path(), false, ticks);
    const double on = tickCost(folder.path(), true, ticks);
    std::printf(
        "one countdown tick, main window out of sight, mean of %d: main window's input only %.1f us, whole desktop "
        "%.1f us, ratio %.2f (%.4f%% of one core at one tick a second)\n",
        ticks,
        off,
        on,
        on / off,
        on / 1e4);
    return 0;
}
