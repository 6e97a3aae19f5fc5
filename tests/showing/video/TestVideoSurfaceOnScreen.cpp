// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestClips.h"
#include "showing/video/MpvVideoPlayer.h"

#include <QElapsedTimer>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <clocale>
#include <cstdio>
#include <unistd.h>

namespace {

/** What the process writes to its stderr while this lives, from libraries too. */
class StderrCapture
{
public:
    StderrCapture()
    {
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        if (m_file.open()) {
            ::dup2(m_file.handle(), STDERR_FILENO);
        }
    }
    ~StderrCapture()
    {
        restore();
    }
    QString text()
    {
        restore();
        m_file.seek(0);
        return QString::fromLocal8Bit(m_file.readAll());
    }

private:
    void restore()
    {
        if (m_saved >= 0) {
            std::fflush(stderr);
            ::dup2(m_saved, STDERR_FILENO);
            ::close(m_saved);
            m_saved = -1;
        }
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

} // namespace

/** The player's picture on a real X display, as the screen shows it while one file follows another. */
class TestVideoSurfaceOnScreen : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_clips;

    QString clip(const QString& name) const
    {
        return m_clips.filePath(name);
    }

    // The colour at the middle of the picture: 'r', 'g', 'b' or 'y' for clear red, green, blue or yellow, 'k' for
    // black, '?' for anything else.
    static char colourAt(QWidget& window)
    {
        const QImage picture = window.screen()->grabWindow(window.winId()).toImage();
        const QRgb pixel = picture.pixel(picture.width() / 2, picture.height() / 2);
        const int red = qRed(pixel);
        const int green = qGreen(pixel);
        const int blue = qBlue(pixel);
        if (red < 40 && green < 40 && blue < 40) {
            return 'k';
        }
        if (red > 150 && green < 100 && blue < 100) {
            return 'r';
        }
        if (green > 100 && red < 100 && blue < 100) {
            return 'g';
        }
        if (blue > 150 && red < 100 && green < 100) {
            return 'b';
        }
        if (red > 150 && green > 150 && blue < 100) {
            return 'y';
        }
        return '?';
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QSKIP("needs an X display");
        }
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY(TestClips::makeSolid(clip("red.mkv"), QStringLiteral("red"), {320, 240}, 1.5));
        QVERIFY(TestClips::makeSolid(clip("green.mkv"), QStringLiteral("green"), {320, 240}, 0.4));
        QVERIFY(TestClips::makeSolid(clip("yellow.mkv"), QStringLiteral("yellow"), {320, 240}, 1));
        // One frame so large that decoding it takes far longer than the green clip plays.
        QVERIFY(TestClips::makeSolid(clip("blue.mkv"), QStringLiteral("blue"), {8000, 8000}, 2, 1));
    }

    // mpv opens a file for the picture only once the picture's window is shown: a file set before waits for it, and
    // one set after it in vain does not bring it back.
    void testAFileSetBeforeTheWindowIsShownWaitsForIt()
    {
        MpvVideoPlayer::Options options;
        options.audioOutput = QStringLiteral("null");
        MpvVideoPlayer player(options);
        QVERIFY(player.isValid());
        QSignalSpy stateChanges(&player, &VideoPlayer::playStateChanged);
        QSignalSpy errors(&player, &VideoPlayer::mediaError);
        player.setURL(clip("red.mkv"));
        player.setURL(clip("missing.mkv"));
        QTRY_COMPARE(player.playState(), int(VideoPlayer::Stopped));
        QCOMPARE(errors.size(), 1);

        QWidget* window = player.videoWidget();
        window->resize(320, 240);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QTest::qWait(1000);
        QCOMPARE(player.playState(), int(VideoPlayer::Stopped));
        QCOMPARE(player.URL(), clip("missing.mkv"));
        window->hide();

        MpvVideoPlayer second(options);
        QSignalSpy shown(&second, &VideoPlayer::firstFrameShown);
        second.setURL(clip("green.mkv"));
        QCOMPARE(second.playState(), int(VideoPlayer::Transitioning));
        second.videoWidget()->resize(320, 240);
        second.videoWidget()->show();
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() == 1, 10000);
        QTRY_COMPARE(colourAt(*second.videoWidget()), 'g');
    }

    // Playing says nothing on stderr: no probing of hardware decoders that the machine does not have.
    void testPlayingIsQuiet()
    {
        StderrCapture capture;
        {
            MpvVideoPlayer::Options options;
            options.audioOutput = QStringLiteral("null");
            MpvVideoPlayer player(options);
            QSignalSpy shown(&player, &VideoPlayer::firstFrameShown);
            player.setURL(clip("yellow.mkv"));
            player.videoWidget()->resize(320, 240);
            player.videoWidget()->show();
            QTRY_VERIFY_WITH_TIMEOUT(shown.size() == 1, 10000);
            QTRY_COMPARE(player.playState(), int(VideoPlayer::Stopped));
        }
        const QString said = capture.text();
        QVERIFY2(said.isEmpty(), qPrintable(said));
    }

    void testNoOlderPictureShowsBeforeASlowClip_data()
    {
        QTest::addColumn<QString>("openedMeanwhile");
        QTest::newRow("nothing opened meanwhile") << QString();
        QTest::newRow("the next file opened meanwhile") << QStringLiteral("yellow.mkv");
    }

    // Red plays, green is opened ahead and takes over, and blue is opened ahead on the instance that played red.
    // Until blue's own picture is ready, the screen keeps green's last picture or goes black: red's picture, left
    // behind in that instance, never comes back. Nor does a file opened ahead meanwhile, on the instance that holds
    // green's picture, show before blue.
    void testNoOlderPictureShowsBeforeASlowClip()
    {
        QFETCH(QString, openedMeanwhile);
        MpvVideoPlayer::Options options;
        options.audioOutput = QStringLiteral("null");
        MpvVideoPlayer player(options);
        QVERIFY(player.isValid());
        QWidget* window = player.videoWidget();
        window->resize(320, 240);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));

        // Each file is set the moment the one before it ends, and the one after it opened ahead. Blue is opened ahead
        // as soon as green is set, so that the instance that played red goes straight on to blue.
        const QStringList files{clip("red.mkv"), clip("green.mkv"), clip("blue.mkv")};
        int current = 0;
        QString seen;
        QElapsedTimer sinceGreenEnded;
        QTimer sampler;
        sampler.setInterval(20);
        connect(&sampler, &QTimer::timeout, this, [&] {
            seen += colourAt(*window);
            if (seen.endsWith(QLatin1String("bbb")) || sinceGreenEnded.elapsed() > 10000) {
                sampler.stop();
            }
        });
        connect(&player, &VideoPlayer::playStateChanged, this, [&](int state) {
            if (state != VideoPlayer::Stopped || current + 1 >= files.size()) {
                return;
            }
            player.setURL(files[++current]);
            if (current + 1 < files.size()) {
                player.queueNext(files[current + 1]);
                return;
            }
            if (!openedMeanwhile.isEmpty()) {
                player.queueNext(clip(openedMeanwhile));
            }
            sinceGreenEnded.start();
            sampler.start();
        });
        player.setURL(files[0]);
        player.queueNext(files[1]);

        QTRY_VERIFY_WITH_TIMEOUT(sinceGreenEnded.isValid() && !sampler.isActive(), 30000);
        const QByteArray message = "seen after green: " + seen.toLatin1();
        QVERIFY2(!seen.contains(u'r') && !seen.contains(u'y'), message.constData());
        QVERIFY2(seen.endsWith(QLatin1String("bbb")), message.constData());
    }
};

QTEST_MAIN(TestVideoSurfaceOnScreen)
#include "TestVideoSurfaceOnScreen.moc"
