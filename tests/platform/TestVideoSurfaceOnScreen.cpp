// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestClips.h"
#include "platform/MpvVideoPlayer.h"

#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <clocale>

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

    // The colour at the middle of the picture: 'r', 'g' or 'b' for a clear primary colour, 'k' for black, '?' else.
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
};

QTEST_MAIN(TestVideoSurfaceOnScreen)
#include "TestVideoSurfaceOnScreen.moc"
