// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakePlaybackOptions.h"
#include "fakes/Pictures.h"
#include "fakes/TestEnvironment.h"
#include "showing/Form2.h"
#include "showing/video/MpvVideoPlayer.h"

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

private:
    static QImage grab(QWidget& window)
    {
        return window.screen()->grabWindow(window.winId()).toImage();
    }

    // The share of sampled pixels that differ clearly between two pictures of the same size.
    static double difference(const QImage& a, const QImage& b)
    {
        int changed = 0;
        int samples = 0;
        for (int y = 0; y < a.height(); y += 16) {
            for (int x = 0; x < a.width(); x += 16) {
                ++samples;
                changed += qAbs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 16;
            }
        }
        return samples > 0 ? double(changed) / samples : 0;
    }

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

        const QImage picture = grab(*window);
        QCOMPARE(picture.size(), window->size() * window->devicePixelRatio());
        QVERIFY2(Pictures::litShare(picture) > 0.5, qPrintable(QString::number(Pictures::litShare(picture))));

        // The next video, opened ahead by the second mpv instance, moves on the screen once it takes over: the
        // picture is no still of the instance that played before.
        const QString next = QDir(QStringLiteral(LUMAVEIL_SAMPLES_DIR)).filePath(QStringLiteral("Silk Ribbons.avi"));
        video->queueNext(next);
        QTest::qWait(1000);
        shown.clear();
        video->setURL(next);
        QTRY_VERIFY_WITH_TIMEOUT(shown.size() > 0, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(video->currentPosition() > 1.0, 20000);
        const QImage first = grab(*window);
        QTRY_VERIFY_WITH_TIMEOUT(video->currentPosition() > 2.0, 20000);
        const QImage second = grab(*window);
        QVERIFY2(Pictures::litShare(second) > 0.5, qPrintable(QString::number(Pictures::litShare(second))));
        QVERIFY2(difference(first, second) > 0.1, qPrintable(QString::number(difference(first, second))));
        delete window;
    }
};

QTEST_MAIN(TestShowingOnScreen)
#include "TestShowingOnScreen.moc"
