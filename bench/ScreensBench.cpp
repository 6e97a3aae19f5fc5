// SPDX-License-Identifier: GPL-3.0-or-later
// Screens benchmark, on an X display of two monitors side by side: showings in the program's own showing process
// against standalone mpv in the same run, and the cost and look of the fade between videos.
//
// Processor time is user and system time of the processes that play, counted once they are reaped: the showing's
// process, or the mpv processes. The program's main process idles while a showing plays and is left out, as is this
// one, which looks at the screen.
//
//  1. "Each" on both screens against two mpv processes, one on each screen, each starting where the showing's screen
//     starts in the list.
//  2. "Same" on both screens against one mpv on the primary screen; beside it "Primary", the video on one screen and
//     black on the other.
//  3. A fade's cost, with a fade of 2 s between clips of 6 s at 1280x720 made here, each with a square of its own
//     colour in the middle. The middle of the primary screen is looked at every 100 ms, as the showing process's
//     processor time (/proc/PID/stat) is read: a fade is seen rather than timed, as it starts once the next file's
//     first picture is ready, which varies. A time between two readings that both show one clip's colour is a single
//     video playing; one between two readings that both show a blend is a fade. The same clips with a cut give the
//     rate of a single video. Times that begin or end at a change are left out, and so is the first fade, from
//     black, which plays one video only.
//  4. Black at a joint: the middle of the primary screen looked at as often as it can be, with a fade of a second
//     and with a cut, counting the looks that find it all black after the first picture.
//
// Usage: bench_screens SECONDS FOLDER PROGRAM   (needs mpv and ffmpeg)
#include "showing/ChildShowing.h"
#include "showing/ShowingRequest.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

double childrenSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// User and system time of a running process, all its threads.
double processSeconds(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !file.open(QIODevice::ReadOnly)) {
        return 0;
    }
    // The command name may hold spaces: the fields are counted from its closing parenthesis, the third field on.
    const QByteArray stat = file.readAll();
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13) {
        return 0;
    }
    return (fields[11].toDouble() + fields[12].toDouble()) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

void pause(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The square in the middle of the screen; the place is the screen's own, the whole screen being window 0.
QImage middleOf(QScreen* screen, int side)
{
    const QSize size = screen->size();
    return screen->grabWindow(0, (size.width() - side) / 2, (size.height() - side) / 2, side, side).toImage();
}

// Nothing lit on a grid of the given step.
bool isBlack(const QImage& area, int step = 1)
{
    for (int y = 0; y < area.height(); y += step) {
        for (int x = 0; x < area.width(); x += step) {
            if (qGray(area.pixel(x, y)) > 16) {
                return false;
            }
        }
    }
    return true;
}

// Whether each screen shows a picture, left to right: anywhere on it, as a video's middle may be dark.
QString whatScreensShow()
{
    QStringList seen;
    for (QScreen* screen : QGuiApplication::screens()) {
        seen.append(isBlack(screen->grabWindow(0).toImage(), 16) ? QStringLiteral("black") : QStringLiteral("picture"));
    }
    return seen.join(QStringLiteral(", "));
}

struct Outcome
{
    double processor = 0;
    int opened = 0;
    QString seen;
};

// Plays the request in the showing's own process for the given time, calling tick every tickMs meanwhile with the
// process's id.
Outcome showFor(const QString& program,
                const ShowingRequest& request,
                int seconds,
                const std::function<void(qint64)>& tick = {},
                int tickMs = 100)
{
    Outcome outcome;
    auto child = std::make_unique<ChildShowing>(program);
    QObject::connect(child.get(), &ChildShowing::playing, [&outcome] { ++outcome.opened; });
    QObject::connect(child.get(), &ChildShowing::diedOf, [](const QString& why, const QString& path) {
        std::fprintf(stderr, "the showing's process died (%s) playing %s\n", qPrintable(why), qPrintable(path));
    });
    const double before = childrenSeconds();
    if (!child->play(request)) {
        std::fprintf(stderr, "%s could not be started\n", qPrintable(program));
        return outcome;
    }
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] { tick(child->processId()); });
    if (tick) {
        ticker.start(tickMs);
    }
    pause(seconds * 1000);
    ticker.stop();
    outcome.seen = whatScreensShow();
    if (child->isRunning()) {
        QEventLoop end;
        QObject::connect(child.get(), &Showing::finished, &end, &QEventLoop::quit);
        QTimer::singleShot(10000, &end, &QEventLoop::quit);
        child->endWithoutAsking();
        end.exec();
        if (child->isRunning()) {
            std::fprintf(stderr, "the showing's process did not end within 10 s of being asked; it is killed\n");
        }
    }
    // Gone, and its time counted, once the object is.
    child.reset();
    outcome.processor = childrenSeconds() - before;
    return outcome;
}

// Standalone mpv, playlist k full screen on screen k, looping.
Outcome mpvFor(const std::vector<QStringList>& playlists, int seconds)
{
    Outcome outcome;
    const double before = childrenSeconds();
    std::vector<std::unique_ptr<QProcess>> players;
    for (size_t k = 0; k < playlists.size(); ++k) {
        const QStringList arguments =
            QStringLiteral("--no-config --really-quiet --vo=gpu --gpu-sw=yes --ao=null --fs --hwdec=auto-safe "
                           "--loop-playlist=inf --screen=%1 --fs-screen=%1")
                .arg(k)
                .split(u' ');
        players.push_back(std::make_unique<QProcess>());
        players.back()->start(QStringLiteral("mpv"), arguments + playlists[k]);
        if (!players.back()->waitForStarted()) {
            std::fprintf(stderr, "mpv could not be started; install the Debian package mpv\n");
        }
    }
    pause(seconds * 1000);
    outcome.seen = whatScreensShow();
    for (auto& player : players) {
        player->terminate();
    }
    for (auto& player : players) {
        player->waitForFinished();
    }
    outcome.processor = childrenSeconds() - before;
    return outcome;
}

// The marks in the middle of the clips made for the fades, as ffmpeg and SVG name them.
const QStringList marks{"red", "lime", "blue", "yellow"};
constexpr int Blend = -1;
constexpr int Black = -2;

bool makeClip(const QString& path, const QString& mark, int seconds)
{
    // Tagged with the colour standard that the picture was converted in, which a player would not guess at this size.
    const QStringList arguments =
        QStringLiteral("-hide_banner -loglevel error -y -f lavfi -i testsrc2=size=1280x720:rate=25:duration=%1 "
                       "-vf drawbox=x=560:y=280:w=160:h=160:t=fill:color=%2 -c:v libx264 -preset veryfast "
                       "-pix_fmt yuv420p -colorspace smpte170m -color_primaries smpte170m -color_trc smpte170m")
            .arg(seconds)
            .arg(mark)
            .split(u' ');
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), arguments + QStringList{path});
    return ffmpeg.waitForFinished(120000) && ffmpeg.exitStatus() == QProcess::NormalExit && ffmpeg.exitCode() == 0;
}

// Which clip's mark the middle of the primary screen shows; a blend of two, or black, otherwise.
int markShown()
{
    const QImage area = middleOf(QGuiApplication::primaryScreen(), 4);
    const QColor shown = area.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
    // Near enough to stand for compression and dithering, well within the first tenth of a fade.
    for (int k = 0; k < marks.size(); ++k) {
        const QColor mark(marks[k]);
        if (std::max({std::abs(shown.red() - mark.red()),
                      std::abs(shown.green() - mark.green()),
                      std::abs(shown.blue() - mark.blue())}) <= 24) {
            return k;
        }
    }
    return shown.value() <= 24 ? Black : Blend;
}

struct Sample
{
    qint64 ms;
    double processor;
    int mark;
};

struct Rates
{
    double single = 0;
    double singleSeconds = 0;
    double fading = 0;
    double fadingSeconds = 0;
    int fades = 0;
};

// Processor seconds per second while one clip shows, and while a blend does, from the first clip's mark on.
Rates ratesOf(const std::vector<Sample>& samples)
{
    Rates rates;
    const auto first =
        std::find_if(samples.begin(), samples.end(), [](const Sample& sample) { return sample.mark >= 0; });
    for (auto it = first; it != samples.end() && std::next(it) != samples.end(); ++it) {
        const Sample& from = *it;
        const Sample& to = *std::next(it);
        const double seconds = static_cast<double>(to.ms - from.ms) / 1000;
        if (from.mark >= 0 && from.mark == to.mark) {
            rates.single += to.processor - from.processor;
            rates.singleSeconds += seconds;
        } else if (from.mark == Blend && to.mark == Blend) {
            rates.fading += to.processor - from.processor;
            rates.fadingSeconds += seconds;
        }
        if (from.mark != Blend && to.mark == Blend) {
            ++rates.fades;
        }
    }
    rates.single = rates.singleSeconds > 0 ? rates.single / rates.singleSeconds : 0;
    rates.fading = rates.fadingSeconds > 0 ? rates.fading / rates.fadingSeconds : 0;
    return rates;
}

Rates sampledShowing(const QString& program, ShowingRequest request, const QString& fade, int seconds)
{
    request.fade = fade;
    std::vector<Sample> samples;
    QElapsedTimer clock;
    clock.start();
    showFor(program, request, seconds, [&](qint64 pid) {
        samples.push_back({clock.elapsed(), processSeconds(pid), markShown()});
    });
    return ratesOf(samples);
}

struct Joints
{
    int joints = 0;
    int looks = 0;
    int black = 0;
    qint64 longestBlackMs = 0;
};

Joints blackAtJoints(const QString& program, ShowingRequest request, const QString& fade, int seconds)
{
    request.fade = fade;
    Joints joints;
    bool pictureSeen = false;
    QElapsedTimer clock;
    clock.start();
    qint64 blackSince = -1;
    const Outcome outcome = showFor(
        program,
        request,
        seconds,
        [&](qint64) {
            const bool black = isBlack(middleOf(QGuiApplication::primaryScreen(), 64));
            pictureSeen = pictureSeen || !black;
            if (!pictureSeen) {
                return;
            }
            ++joints.looks;
            if (!black) {
                blackSince = -1;
                return;
            }
            ++joints.black;
            blackSince = blackSince < 0 ? clock.elapsed() : blackSince;
            joints.longestBlackMs = std::max(joints.longestBlackMs, clock.elapsed() - blackSince);
        },
        0);
    joints.joints = std::max(0, outcome.opened - 1);
    return joints;
}

double ratio(double value, double baseline)
{
    return baseline > 0 ? value / baseline : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: bench_screens SECONDS FOLDER PROGRAM\n");
        return 2;
    }
    if (QGuiApplication::screens().size() < 2) {
        std::fprintf(stderr, "needs a display of two monitors\n");
        return 1;
    }
    const int seconds = arguments[1].toInt();
    const QString program = arguments[3];
    QStringList files;
    const QDir folder(arguments[2]);
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        files.append(folder.filePath(name));
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "no videos in %s\n", qPrintable(arguments[2]));
        return 2;
    }
    ShowingRequest request;
    request.paths = files;
    request.soundOff = true;

    // The second screen starts at the second file, in order, as the showing's own sequence there does.
    QStringList fromSecond = files.mid(1);
    fromSecond.append(files.first());
    request.screens = QStringLiteral("Each");
    const Outcome each = showFor(program, request, seconds);
    pause(2000);
    const Outcome twoMpv = mpvFor({files, fromSecond}, seconds);
    std::printf("\"Each\" on two screens, %d s: %.2f s of processor time (screens: %s); two mpv, one a screen: %.2f s "
                "(%s); ratio %.2f (target <= 1.0)\n",
                seconds,
                each.processor,
                qPrintable(each.seen),
                twoMpv.processor,
                qPrintable(twoMpv.seen),
                ratio(each.processor, twoMpv.processor));

    pause(2000);
    request.screens = QStringLiteral("Same");
    const Outcome same = showFor(program, request, seconds);
    pause(2000);
    const Outcome oneMpv = mpvFor({files}, seconds);
    std::printf("\"Same\" on two screens, %d s: %.2f s of processor time (screens: %s); one mpv on one screen: %.2f s "
                "(%s); ratio %.2f (target <= 1.2)\n",
                seconds,
                same.processor,
                qPrintable(same.seen),
                oneMpv.processor,
                qPrintable(oneMpv.seen),
                ratio(same.processor, oneMpv.processor));
    // What drawing the picture on the second screen adds, against the video on one screen and black on the other.
    pause(2000);
    request.screens = QStringLiteral("Primary");
    const Outcome primary = showFor(program, request, seconds);
    std::printf("  beside it \"Primary\", %d s: %.2f s (screens: %s); ratio to one mpv %.2f, \"Same\" to it %.2f\n",
                seconds,
                primary.processor,
                qPrintable(primary.seen),
                ratio(primary.processor, oneMpv.processor),
                ratio(same.processor, primary.processor));

    QTemporaryDir clips;
    ShowingRequest marked;
    marked.soundOff = true;
    for (const QString& mark : marks) {
        const QString path = clips.filePath(QStringLiteral("%1-%2.mp4").arg(marked.paths.size()).arg(mark));
        if (!makeClip(path, mark, 6)) {
            std::fprintf(stderr, "ffmpeg could not make %s; install the Debian package ffmpeg\n", qPrintable(path));
            return 1;
        }
        marked.paths.append(path);
    }
    pause(2000);
    const Rates cut = sampledShowing(program, marked, QStringLiteral("0"), seconds);
    pause(2000);
    const Rates faded = sampledShowing(program, marked, QStringLiteral("2"), seconds);
    std::printf("fade of 2 s between 1280x720 clips, %d s: %d fades, %.1f s seen fading; processor %.0f%% of a core "
                "during fades, %.0f%% outside them, %.0f%% for a single video (cut, %.1f s seen); during fades / "
                "single %.2f (target <= 2.0), outside / single %.2f (target ~1.0)\n",
                seconds,
                faded.fades,
                faded.fadingSeconds,
                100 * faded.fading,
                100 * faded.single,
                100 * cut.single,
                cut.singleSeconds,
                ratio(faded.fading, cut.single),
                ratio(faded.single, cut.single));

    for (const QString& fade : {QStringLiteral("1"), QStringLiteral("0")}) {
        pause(2000);
        const Joints joints = blackAtJoints(program, marked, fade, seconds);
        std::printf("fade %s: %d joints crossed, %d of %d looks at the middle all black after the first picture "
                    "(%.0f looks a second), longest black %lld ms\n",
                    qPrintable(fade),
                    joints.joints,
                    joints.black,
                    joints.looks,
                    joints.looks / static_cast<double>(seconds),
                    static_cast<long long>(joints.longestBlackMs));
    }
    return 0;
}
