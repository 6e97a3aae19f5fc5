// SPDX-License-Identifier: GPL-3.0-or-later
// Playback benchmark, on an X display: a showing of the example videos for a fixed time, then standalone mpv
// playing the same files with the same kind of video output for the same time, in the same run. Prints the
// showing's processor time over mpv's, and the gaps between videos: from the end of one to the first frame of the
// next.
//
// Given the program, the same showing plays once more in the program's own showing process, as the installed program
// plays it: the processor time of both processes, and the time from the showing asked for to its first picture on
// the screen, against the same time for the showing in this process.
//
// Usage: bench_playback SECONDS FOLDER [PROGRAM]   (mpv must be installed for the baseline)
#include "settings/SettingsStore.h"
#include "showing/ChildShowing.h"
#include "showing/Form2.h"
#include "showing/PasswordPrompter.h"
#include "showing/PlaybackOptions.h"
#include "showing/PlaybackSequencer.h"
#include "showing/RandomGenerator.h"
#include "showing/ShowingRequest.h"
#include "showing/video/MpvVideoPlayer.h"
#include "system/ErrorReporter.h"
#include "system/HeapTuning.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QProcess>
#include <QScreen>
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

// Milliseconds from the clock's start until a picture shows in the middle of the screen: the first frame, whichever
// process draws it.
qint64 untilPicture(const QElapsedTimer& clock)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect middle(screen->geometry().center() - QPoint(32, 32), QSize(64, 64));
    while (clock.elapsed() < 20000) {
        const QImage area = screen->grabWindow(0, middle.x(), middle.y(), middle.width(), middle.height()).toImage();
        for (int y = 0; y < area.height(); y += 4) {
            for (int x = 0; x < area.width(); x += 4) {
                if (qGray(area.pixel(x, y)) > 16) {
                    return clock.elapsed();
                }
            }
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    return -1;
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
    const qint64 pictureMs = untilPicture(asked);
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
    std::printf("from the showing asked for to its first frame: %lld ms (on the screen: %lld ms)\n",
                static_cast<long long>(firstFrameMs),
                static_cast<long long>(pictureMs));
    std::printf("own resident memory: %.0f MiB before the showing, %.0f MiB at its end, %.0f MiB once the player is "
                "gone\n",
                memoryBefore,
                memoryShowing,
                memoryAfter);
    if (arguments.size() < 4) {
        return 0;
    }

    // The same showing in the program's own showing process.
    QThread::sleep(2);
    ShowingRequest request;
    request.paths = files;
    request.soundOff = true;
    ChildShowing child(arguments[3]);
    const double childrenBefore = processorSeconds(RUSAGE_CHILDREN);
    const double selfBefore = processorSeconds(RUSAGE_SELF);
    asked.restart();
    if (!child.play(request)) {
        std::fprintf(stderr, "%s could not be started\n", qPrintable(arguments[3]));
        return 1;
    }
    const qint64 childPictureMs = untilPicture(asked);
    QEventLoop childTime;
    QTimer::singleShot(std::max<qint64>(0, seconds * 1000 - asked.elapsed()), &childTime, &QEventLoop::quit);
    childTime.exec();
    QEventLoop childEnd;
    QObject::connect(&child, &Showing::finished, &childEnd, &QEventLoop::quit);
    child.endWithoutAsking();
    childEnd.exec();
    const double inProcesses =
        processorSeconds(RUSAGE_SELF) - selfBefore + processorSeconds(RUSAGE_CHILDREN) - childrenBefore;
    std::printf("the same showing in the showing's process: %.2f s of processor time in both processes; ratio to mpv "
                "%.2f\n",
                inProcesses,
                standalone > 0 ? inProcesses / standalone : 0.0);

    // Again, with the process started a second ahead, as the countdown starts it.
    QThread::sleep(2);
    if (!child.prepare()) {
        std::fprintf(stderr, "%s could not be started\n", qPrintable(arguments[3]));
        return 1;
    }
    QEventLoop ahead;
    QTimer::singleShot(1000, &ahead, &QEventLoop::quit);
    ahead.exec();
    asked.restart();
    child.play(request);
    const qint64 preparedPictureMs = untilPicture(asked);
    QEventLoop preparedEnd;
    QObject::connect(&child, &Showing::finished, &preparedEnd, &QEventLoop::quit);
    child.endWithoutAsking();
    preparedEnd.exec();

    std::printf("from the showing asked for to its first picture on the screen: %lld ms in this process, %lld ms in "
                "the showing's process (%+lld ms), %lld ms in one started a second ahead (%+lld ms)\n",
                static_cast<long long>(pictureMs),
                static_cast<long long>(childPictureMs),
                static_cast<long long>(childPictureMs - pictureMs),
                static_cast<long long>(preparedPictureMs),
                static_cast<long long>(preparedPictureMs - pictureMs));
    return 0;
}
