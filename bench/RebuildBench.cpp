// SPDX-License-Identifier: GPL-3.0-or-later
// Rebuild benchmark: the playable list of a folder list that holds the root of a large synthetic tree, against
// `find ROOT -type f` on the same tree in the same run (warm cache), and the longest pause of the GUI thread's
// event loop while the rebuild runs in the background. With --cold, both are also timed with the page cache and
// the dentry and inode caches dropped before each run, as after a logon (this needs root).
//
// Usage: bench_rebuild [--cold] [folders] [files] [runs]
#include "library/FolderScanner.h"
#include "library/VideoLibrary.h"
#include "system/ErrorReporter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <random>
#include <unistd.h>
#include <vector>

namespace {

class PrintingReporter : public ErrorReporter
{
public:
    void report(const QString& description, const char* routinePath, int line) override
    {
        std::fprintf(stderr, "error report: %s in %s at line %d\n", qPrintable(description), routinePath, line);
    }
};

struct TreeStats
{
    int folders = 0;
    int files = 0;
    int videos = 0;
};

// A seeded tree: folders up to six levels deep, a third of the files videos in mixed letter case, plus near misses,
// "~" names, hidden files and folders, and directory links back to an ancestor.
TreeStats makeTree(const QString& root, int folderCount, int fileCount)
{
    std::mt19937 random(20261208);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    struct Folder
    {
        QString path;
        int depth;
    };
    std::vector<Folder> folders{{root, 0}};
    TreeStats stats;
    while (static_cast<int>(folders.size()) < folderCount) {
        const Folder parent = folders[static_cast<std::size_t>(pick(static_cast<int>(folders.size())))];
        if (parent.depth >= 6) {
            continue;
        }
        const bool hidden = pick(50) == 0;
        const QString path =
            parent.path + (hidden ? QStringLiteral("/.folder%1") : QStringLiteral("/folder%1")).arg(folders.size());
        QDir().mkdir(path);
        folders.push_back({path, parent.depth + 1});
    }
    stats.folders = static_cast<int>(folders.size());

    const QStringList videoExtensions{"mkv", "MKV", "Mp4", "avi", "ogg", "wmv", "flv", "mpg", "MPEG", "mov", "mp4"};
    const QStringList otherExtensions{"jpg", "txt", "mkv.part", "srt", "nfo", "png", "mp3", "webm", "mkvx"};
    for (int i = 0; i < fileCount; ++i) {
        const Folder& folder = folders[static_cast<std::size_t>(pick(static_cast<int>(folders.size())))];
        const bool video = i % 3 == 0;
        const QString extension = video ? videoExtensions[pick(static_cast<int>(videoExtensions.size()))]
                                        : otherExtensions[pick(static_cast<int>(otherExtensions.size()))];
        const int kind = pick(40);
        const QString prefix = kind == 0 ? QStringLiteral("~") : kind == 1 ? QStringLiteral(".") : QString();
        QFile file(QStringLiteral("%1/%2clip%3.%4").arg(folder.path, prefix).arg(i).arg(extension));
        file.open(QIODevice::WriteOnly);
        stats.videos += video && prefix.isEmpty();
    }
    for (int i = 0; i < 20; ++i) {
        const Folder& folder = folders[static_cast<std::size_t>(pick(static_cast<int>(folders.size())))];
        QFile::link(folder.depth >= 2 ? QStringLiteral("../..") : QStringLiteral(".."), folder.path + "/loop");
    }
    stats.files = fileCount;
    return stats;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Writes the file system's dirty pages out and drops every clean cache the kernel keeps of it.
bool dropCaches()
{
    ::sync();
    QFile control(QStringLiteral("/proc/sys/vm/drop_caches"));
    return control.open(QIODevice::WriteOnly) && control.write("3\n") == 2 && control.flush();
}

double timeFind(const QString& root)
{
    QElapsedTimer timer;
    timer.start();
    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    find.start(QStringLiteral("find"), {root, QStringLiteral("-type"), QStringLiteral("f")});
    find.waitForFinished(-1);
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double timeRebuild(const QString& root, qsizetype* count)
{
    QElapsedTimer timer;
    timer.start();
    const QStringList playable = FolderScanner::playableList({}, {root + QLatin1Char('/')}, nullptr);
    const double elapsed = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    *count = playable.size();
    return elapsed;
}

// The longest gap between beats of a 5 ms timer while the library rebuilds in the background.
double longestPause(const QString& root, double* rebuildMs)
{
    PrintingReporter reporter;
    VideoLibrary library(reporter);
    library.folders().setPaths({root + QLatin1Char('/')});
    QElapsedTimer clock;
    clock.start();
    qint64 lastBeat = 0;
    qint64 longest = 0;
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        longest = std::max(longest, now - lastBeat);
        lastBeat = now;
    });
    heartbeat.start();
    lastBeat = clock.nsecsElapsed();
    library.CorrelateListviewsWrapper();
    while (library.isBusy()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    *rebuildMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    return static_cast<double>(longest) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    const bool cold = arguments.removeAll(QStringLiteral("--cold")) > 0;
    const int folderCount = arguments.size() > 1 ? arguments[1].toInt() : 10000;
    const int fileCount = arguments.size() > 2 ? arguments[2].toInt() : 100000;
    const int runs = arguments.size() > 3 ? arguments[3].toInt() : 7;

    // LUMAVEIL_BENCH_TREE keeps the tree in a folder of your choice between runs, for profiling.
    QTemporaryDir folder;
    const QString keptTree = qEnvironmentVariable("LUMAVEIL_BENCH_TREE");
    const QString root = keptTree.isEmpty() ? folder.filePath(QStringLiteral("tree")) : keptTree;
    TreeStats stats;
    if (!QDir(root).exists()) {
        QDir().mkpath(root);
        std::printf("building a tree of %d folders and %d files ...\n", folderCount, fileCount);
        std::fflush(stdout);
        stats = makeTree(root, folderCount, fileCount);
    }

    // Warm the cache, then alternate the two so that both see the same machine.
    qsizetype count = 0;
    timeFind(root);
    timeRebuild(root, &count);
    std::vector<double> findTimes;
    std::vector<double> rebuildTimes;
    for (int i = 0; i < runs; ++i) {
        findTimes.push_back(timeFind(root));
        rebuildTimes.push_back(timeRebuild(root, &count));
    }
    const double findMs = median(findTimes);
    const double rebuildMs = median(rebuildTimes);
    std::printf("playable files found: %lld (videos created outside hidden and \"~\" names: %d)\n",
                static_cast<long long>(count),
                stats.videos);
    std::printf("rebuild %.1f ms, find -type f %.1f ms (medians of %d): ratio %.2f\n",
                rebuildMs,
                findMs,
                runs,
                rebuildMs / findMs);

    if (cold) {
        // Alternated like the warm runs; each of the two starts from empty caches.
        const int coldRuns = std::max(1, runs / 2);
        std::vector<double> coldFind;
        std::vector<double> coldRebuild;
        bool dropped = true;
        for (int i = 0; i < coldRuns && dropped; ++i) {
            dropped = dropCaches();
            coldFind.push_back(timeFind(root));
            dropped = dropped && dropCaches();
            coldRebuild.push_back(timeRebuild(root, &count));
        }
        if (dropped) {
            std::printf("cold cache: rebuild %.1f ms, find -type f %.1f ms (medians of %d): ratio %.2f\n",
                        median(coldRebuild),
                        median(coldFind),
                        coldRuns,
                        median(coldRebuild) / median(coldFind));
        } else {
            std::printf("cold cache: cannot drop the page cache (writing /proc/sys/vm/drop_caches needs root); "
                        "no cold figures\n");
        }
    }

    double backgroundMs = 0;
    const double pauseMs = longestPause(root, &backgroundMs);
    std::printf(
        "background rebuild %.1f ms; longest pause of the event loop meanwhile %.1f ms\n", backgroundMs, pauseMs);
    return 0;
}
