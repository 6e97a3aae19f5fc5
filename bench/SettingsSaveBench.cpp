// SPDX-License-Identifier: GPL-3.0-or-later
// Settings save benchmark: an entry dragged down a long file list, one place per step, as the main window saves the
// lists after each change (the list joined, then written to the store). The baseline in the same run writes each
// change through QSettings and syncs it on the GUI thread, as every change was saved before. Printed: the GUI
// thread's pauses (gaps of a 1 ms heartbeat) per step, the time each list save holds the GUI thread, how often the
// file was replaced, how long each change took to reach the file (what a kill loses), the processor time of the GUI
// thread and of the saves, and how long one save of the whole file takes.
//
// Usage: bench_settings_save [entries] [steps] [step interval ms]
#include "library/PathListModel.h"
#include "settings/ListText.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <vector>

namespace {

double ms(qint64 nanoseconds)
{
    return static_cast<double>(nanoseconds) / 1e6;
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double longest(const std::vector<double>& values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// Changes with every replacement of the file: a freed inode number is often given to the next file at once.
std::tuple<ino_t, time_t, long> versionOf(const QString& name)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(name).constData(), &status) != 0) {
        return {};
    }
    return {status.st_ino, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

QStringList makePaths(int count)
{
    QStringList paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i) {
        paths.append(QStringLiteral("/home/someone/Videos/Collection %1/Some clip of the collection %2.mkv")
                         .arg(i / 100, 4, 10, QLatin1Char('0'))
                         .arg(i, 5, 10, QLatin1Char('0')));
    }
    return paths;
}

struct Run
{
    std::vector<double> stepPauses; // the longest heartbeat gap within each step
    std::vector<double> saveTimes;  // GUI time of each list save: join and write
    std::vector<double> joinTimes;  // of that, the join alone
    std::vector<double> delays;     // from each change to the first file that holds it
    int replacements = 0;           // of the file, seen by the watcher
    double seconds = 0;             // from the first change to the last
    double guiCpu = 0;              // processor time of the GUI thread, ms
    double otherCpu = 0;            // of the other threads but the watcher (the saves), ms
};

double cpuMs(clockid_t clock)
{
    timespec time = {};
    clock_gettime(clock, &time);
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_nsec) / 1e6;
}

// How many steps the entry has been dragged in the file as it is: the number of separators before it.
int stepsInFile(const QString& fileName, const QByteArray& entry)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray text = file.readAll();
    const qsizetype list = text.indexOf("\nVideos=");
    const qsizetype at = text.indexOf(entry, list);
    if (list < 0 || at < 0) {
        return -1;
    }
    return static_cast<int>(std::count(text.cbegin() + list, text.cbegin() + at, ';'));
}

// Drags the first entry down `steps` places; `write` stores one key's text as the program's store would. A thread
// of its own watches the file and reads which step each new one holds.
Run dragEntry(const QStringList& paths,
              const QString& fileName,
              int steps,
              int intervalMs,
              const std::function<void(const QString&, const QString&)>& write)
{
    PathListModel files({QStringLiteral("Video")});
    files.setPaths(paths);
    const QStringList folders{QStringLiteral("/home/someone/Videos/")};
    Run run;

    QTimer saveLists; // as the main window gathers the changes of one command into one save
    saveLists.setSingleShot(true);
    saveLists.setInterval(0);
    QObject::connect(&saveLists, &QTimer::timeout, [&] {
        QElapsedTimer clock;
        clock.start();
        const QString text = ListText::join(files.paths());
        run.joinTimes.push_back(ms(clock.nsecsElapsed()));
        write(settingKey(Setting::Videos), text);
        write(settingKey(Setting::Listview5), ListText::join(folders));
        run.saveTimes.push_back(ms(clock.nsecsElapsed()));
    });
    QObject::connect(&files, &QAbstractItemModel::dataChanged, &saveLists, QOverload<>::of(&QTimer::start));

    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> changedAt(static_cast<std::size_t>(steps) + 1, 0);
    // Each file seen: when, and how many steps it holds.
    std::vector<std::pair<qint64, int>> seen;
    std::atomic<bool> watching = true;
    double watcherCpu = 0;
    std::thread watcher([&] {
        const QByteArray entry = paths.first().toUtf8();
        auto file = versionOf(fileName);
        while (watching) {
            if (const auto current = versionOf(fileName); current != file) {
                const qint64 at = clock.nsecsElapsed();
                file = current;
                seen.emplace_back(at, stepsInFile(fileName, entry));
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        watcherCpu = cpuMs(CLOCK_THREAD_CPUTIME_ID);
    });

    qint64 lastBeat = clock.nsecsElapsed();
    qint64 stepLongest = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(1);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        stepLongest = std::max(stepLongest, now - lastBeat);
        lastBeat = now;
    });

    int step = 0;
    const double processStart = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
    const double guiStart = cpuMs(CLOCK_THREAD_CPUTIME_ID);
    QTimer drag;
    drag.setTimerType(Qt::PreciseTimer);
    drag.setInterval(intervalMs);
    QObject::connect(&drag, &QTimer::timeout, [&] {
        if (step > 0) {
            run.stepPauses.push_back(ms(stepLongest));
        }
        stepLongest = 0;
        if (step == steps) {
            drag.stop();
            run.seconds = static_cast<double>(clock.nsecsElapsed() - changedAt[1]) / 1e9;
            // Time for the last change to reach the file.
            QTimer::singleShot(2000, [] { QCoreApplication::exit(); });
            return;
        }
        files.swapRows(step, step + 1);
        ++step;
        changedAt[static_cast<std::size_t>(step)] = clock.nsecsElapsed();
    });
    heartbeat.start();
    drag.start();
    QCoreApplication::exec();
    run.guiCpu = cpuMs(CLOCK_THREAD_CPUTIME_ID) - guiStart;
    watching = false;
    watcher.join();
    run.otherCpu = cpuMs(CLOCK_PROCESS_CPUTIME_ID) - processStart - run.guiCpu - watcherCpu;

    run.replacements = static_cast<int>(seen.size());
    for (int change = 1; change <= steps; ++change) {
        const auto holds = std::find_if(seen.cbegin(), seen.cend(), [&](const auto& file) {
            return file.first >= changedAt[static_cast<std::size_t>(change)] && file.second >= change;
        });
        if (holds != seen.cend()) {
            run.delays.push_back(ms(holds->first - changedAt[static_cast<std::size_t>(change)]));
        }
    }
    return run;
}

void print(const char* name, const Run& run)
{
    std::printf("%-4s pause per step: longest %7.1f ms, median %6.1f ms | list save on the GUI thread: longest "
                "%7.1f ms, median %6.1f ms (join alone: median %.1f ms)\n",
                name,
                longest(run.stepPauses),
                median(run.stepPauses),
                longest(run.saveTimes),
                median(run.saveTimes),
                median(run.joinTimes));
    std::printf("     file written %d times, %.1f a second | change to disk: longest %.0f ms, median %.0f ms (%zu of "
                "the changes seen) | processor: GUI thread %.0f ms, saves %.0f ms, %.0f ms a second together\n",
                run.replacements,
                run.replacements / run.seconds,
                longest(run.delays),
                median(run.delays),
                run.delays.size(),
                run.guiCpu,
                run.otherCpu,
                (run.guiCpu + run.otherCpu) / run.seconds);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const int entries = arguments.size() > 1 ? arguments[1].toInt() : 50000;
    const int steps = arguments.size() > 2 ? arguments[2].toInt() : 150;
    const int intervalMs = arguments.size() > 3 ? arguments[3].toInt() : 20;

    QTemporaryDir folder;
    const QStringList paths = makePaths(entries);
    std::printf("%d entries (%lld characters), %d reorder steps %d ms apart\n",
                entries,
                static_cast<long long>(ListText::join(paths).size()),
                steps,
                intervalMs);

    // The baseline: every change through QSettings, synced on the GUI thread.
    const QString oldFile = folder.filePath(QStringLiteral("old/Lumaveil.conf"));
    std::vector<double> oldSaveTimes;
    Run oldRun;
    {
        QSettings settings(oldFile, QSettings::IniFormat);
        settings.setValue(settingKey(Setting::Videos), ListText::join(paths));
        settings.sync();
        oldRun = dragEntry(paths, oldFile, steps, intervalMs, [&](const QString& key, const QString& text) {
            QElapsedTimer clock;
            clock.start();
            settings.setValue(key, text);
            settings.sync();
            oldSaveTimes.push_back(ms(clock.nsecsElapsed()));
        });
    }

    const QString newFile = folder.filePath(QStringLiteral("new/Lumaveil.conf"));
    Run newRun;
    std::vector<double> newSaveTimes;
    {
        SettingsStore store(newFile);
        store.WriteSetting(Setting::Videos, ListText::join(paths));
        store.saveNow();
        newRun = dragEntry(paths, newFile, steps, intervalMs, [&](const QString& key, const QString& text) {
            store.WriteSetting(key, text);
        });
        // One whole save, serialised and written, as the background thread does it; here it is timed alone.
        QStringList reordered = paths;
        for (int i = 0; i < 5; ++i) {
            reordered.swapItemsAt(i, i + 1);
            store.WriteSetting(Setting::Videos, ListText::join(reordered));
            QElapsedTimer clock;
            clock.start();
            store.saveNow();
            newSaveTimes.push_back(ms(clock.nsecsElapsed()));
        }
    }

    print("old", oldRun);
    print("new", newRun);
    std::printf("one save of the whole file: old (QSettings, GUI thread) median %.1f ms; new (background thread) "
                "median %.1f ms\n",
                median(oldSaveTimes),
                median(newSaveTimes));
    std::printf("ratios new/old: longest pause %.3f, median pause %.3f, longest GUI time per list save %.3f\n",
                longest(newRun.stepPauses) / longest(oldRun.stepPauses),
                median(newRun.stepPauses) / median(oldRun.stepPauses),
                longest(newRun.saveTimes) / longest(oldRun.saveTimes));
    return 0;
}
