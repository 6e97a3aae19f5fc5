// SPDX-License-Identifier: GPL-3.0-or-later
// Playback benchmark, on an X display: a showing of the example videos for a fixed time, then standalone mpv
// playing the same files with the same kind of video output for the same time, in the same run. Prints the
// showing's processor time over mpv's, and the gaps between videos: from the end of one to the first frame of the
// next.
//
// Usage: bench_playback SECONDS FOLDER   (mpv must be installed for the baseline)
#include "engine/Form2.h"
#include "engine/PasswordPrompter.h"
#include "engine/PlaybackOptions.h"
#include "engine/PlaybackSequencer.h"
#include "engine/RandomGenerator.h"
#include "platform/ErrorReporter.h"
#include "platform/HeapTuning.h"
#include "platform/MpvVideoPlayer.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

namespace {

class InOrderFullScreen : public PlaybackOptions
{
public:
    bool playRandomly() const override
    {
        return false;
    }
    bool playInOrder() const override
    {
        return true;
    }
    bool soundDisabled() const override
    {
        return true;
    }
    bool showFullScreen() const override
    {
        return true;
    }
    bool startAtRandomPlace() const override
    {
        return false;
    }
    bool limitPlayLength() const override
    {
        return false;
    }
    QString playLengthText() const override
    {
        return QStringLiteral("10");
    }
};

class NoPrompt : public PasswordPrompter
{
public:
    bool askPassword(QWidget*) override
    {
        return true;
    }
};

class PrintingReporter : public ErrorReporter
{
public:
    void report(const QString& description, const char* routinePath, int line) override
    {
        std::fprintf(stderr, "error report: %s in %s at line %d\n", qPrintable(description), routinePath, line);
    }
};

double processorSeconds(int who)
{
    rusage usage = {};
    getrusage(who, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double median(std::vector<double> values)
{
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The process's own resident memory in MiB: its heap and stacks, not the pages of the libraries it maps.
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("RssAnon:")) {
            return line.mid(8).trimmed().split(' ').first().toDouble() / 1024;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // As the program itself does.
    limitHeapArenas();
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 3) {
        std::fprintf(stderr, "usage: bench_playback SECONDS FOLDER\n");
        return 2;
    }
    const int seconds = arguments[1].toInt();
    QStringList files;
    const QDir folder(arguments[2]);
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        files.append(folder.filePath(name));
    }

    // The showing, timed from the moment it is asked for, as the main window's PlayVideo does: its player and window
    // are made then.
    QElapsedTimer asked;
    asked.start();
    QTemporaryDir config;
    SettingsStore settings(config.filePath(QStringLiteral("Lumaveil.conf")));
    InOrderFullScreen options;
    NoPrompt prompt;
    PrintingReporter reporter;
    RandomGenerator random;
    MpvVideoPlayer::Options playerOptions;
    playerOptions.audioOutput = QStringLiteral("null");
    auto player = std::make_unique<MpvVideoPlayer>(playerOptions);
    VideoPlayer* video = player.get();
    QPointer<Form2> window = new Form2(std::move(player), options, settings, prompt, reporter);
    PlaybackSequencer sequencer(options, random, reporter);
    QObject::connect(&sequencer, &PlaybackSequencer::aboutToPlay, window, &Form2::prepareForVideo);

    QElapsedTimer clock;
    clock.start();
    std::vector<double> gaps;
    qint64 endedAt = -1;
    int videos = 0;
    QObject::connect(video, &VideoPlayer::playStateChanged, [&](int state) {
        if (state == VideoPlayer::Stopped) {
            endedAt = clock.nsecsElapsed();
        }
    });
    qint64 firstFrameMs = -1;
    QObject::connect(video, &VideoPlayer::firstFrameShown, [&] {
        if (firstFrameMs < 0) {
            firstFrameMs = asked.elapsed();
        }
        ++videos;
        if (endedAt >= 0) {
            gaps.push_back(static_cast<double>(clock.nsecsElapsed() - endedAt) / 1e6);
            endedAt = -1;
        }
    });

    const double memoryBefore = residentMiB();
    const double before = processorSeconds(RUSAGE_SELF);
    sequencer.start(video, [&files] { return files; });
    QEventLoop showingTime;
    QTimer::singleShot(seconds * 1000, &showingTime, &QEventLoop::quit);
    showingTime.exec();
    const double showing = processorSeconds(RUSAGE_SELF) - before;
    const double memoryShowing = residentMiB();
    sequencer.requestStop();
    delete window;
    const double memoryAfter = residentMiB();

    // Standalone mpv, the same files in a loop, full screen on the same display.
    QStringList mpvArguments{"--no-config",
                             "--really-quiet",
                             "--vo=gpu",
                             "--gpu-sw=yes",
                             "--ao=null",
                             "--fs",
                             "--hwdec=auto-safe",
                             "--loop-playlist=inf",
                             QStringLiteral("--length=%1").arg(seconds + 30)};
    mpvArguments.append(files);
    QProcess mpv;
    mpv.start(QStringLiteral("mpv"), mpvArguments);
    if (!mpv.waitForStarted()) {
        std::fprintf(stderr, "mpv could not be started; install the Debian package mpv\n");
        return 1;
    }
    QThread::sleep(static_cast<unsigned long>(seconds));
    mpv.terminate();
    mpv.waitForFinished();
    const double standalone = processorSeconds(RUSAGE_CHILDREN);

    std::printf("showing of %d videos in %d s: %.2f s of processor time; mpv alone: %.2f s; ratio %.2f\n",
                videos,
                seconds,
                showing,
                standalone,
                standalone > 0 ? showing / standalone : 0.0);
    std::printf("gaps between videos (end to first frame of the next), %zu of them: median %.0f ms, longest %.0f ms\n",
                gaps.size(),
                median(gaps),
                gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()));
    std::printf("from the showing asked for to its first frame: %lld ms\n", static_cast<long long>(firstFrameMs));
    std::printf("own resident memory: %.0f MiB before the showing, %.0f MiB at its end, %.0f MiB once the player is "
                "gone\n",
                memoryBefore,
                memoryShowing,
                memoryAfter);
    return 0;
}
