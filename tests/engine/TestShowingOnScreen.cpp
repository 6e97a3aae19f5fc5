// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Form2.h"
#include "fakes/FakePlaybackOptions.h"
#include "fakes/TestEnvironment.h"
#include "platform/MpvVideoPlayer.h"

#include <QDir>
#include <QImage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <clocale>

/** A real showing on a real X display: mpv draws a frame of an example video into the playback window. */
class TestShowingOnScreen : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) {
            QSKIP("needs an X display");
        }
        std::setlocale(LC_NUMERIC, "C");
    }

    void testAFrameOfAnExampleVideoIsShown()
    {
        TestEnvironment env;
        FakePlaybackOptions options;
        MpvVideoPlayer::Options playerOptions;
        playerOptions.audioOutput = QStringLiteral("null");
        auto player = std::make_unique<MpvVideoPlayer>(playerOptions);
        QVERIFY(player->isValid());
        VideoPlayer* video = player.get();
        QPointer<Form2> window = new Form2(std::move(player), options, *env.settings, env.prompter, env.report);
        QSignalSpy shown(video, &VideoPlayer::firstFrameShown);

        window->prepareForVideo(true);
        video->setURL(QDir(QStringLiteral(LUMAVEIL_SAMPLES_DIR)).filePath(QStringLiteral("Plasma Flow.mkv")));
        QTRY_COMPARE_WITH_TIMEOUT(video->playState(), int(VideoPlayer::Playing), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() > 0, 20000);
        // Past the fade-in, the picture is bright everywhere.
        QTRY_VERIFY_WITH_TIMEOUT(video->currentPosition() > 1.5, 20000);

        const QImage picture = window->screen()->grabWindow(window->winId()).toImage();
        QCOMPARE(picture.size(), window->size() * window->devicePixelRatio());
        int lit = 0;
        int samples = 0;
        for (int y = 0; y < picture.height(); y += 16) {
            for (int x = 0; x < picture.width(); x += 16) {
                ++samples;
                lit += qGray(picture.pixel(x, y)) > 24;
            }
        }
        QVERIFY2(lit > samples / 2, qPrintable(QStringLiteral("%1 of %2 samples lit").arg(lit).arg(samples)));
        delete window;
    }
};

QTEST_MAIN(TestShowingOnScreen)
#include "TestShowingOnScreen.moc"
