// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestClips.h"
#include "showing/video/MpvVideoPlayer.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>

/** The player on real libmpv, decoding without picture or sound output. */
class TestMpvVideoPlayer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_clips;
    std::unique_ptr<MpvVideoPlayer> m_player;

    QString clip(const QString& name) const
    {
        return m_clips.filePath(name);
    }

    static QList<int> states(const QSignalSpy& spy)
    {
        QList<int> result;
        for (const QList<QVariant>& arguments : spy) {
            result.append(arguments.first().toInt());
        }
        return result;
    }

    void makePlayer(bool untimed)
    {
        MpvVideoPlayer::Options options;
        options.videoOutput = false;
        options.audioOutput = QStringLiteral("null");
        options.untimed = untimed;
        m_player = std::make_unique<MpvVideoPlayer>(options);
        QVERIFY(m_player->isValid());
    }

private slots:
    void initTestCase()
    {
        // libmpv reads numbers in the C convention.
        std::setlocale(LC_NUMERIC, "C");
        QVERIFY(TestClips::make(clip("three.mkv"), 3));
        QVERIFY(TestClips::make(clip("ten seconds.avi"), 10, true));
        QVERIFY(TestClips::makeCorrupt(clip("corrupt.mkv")));
        QVERIFY(TestClips::makeEmpty(clip("empty.mp4")));
        QVERIFY(TestClips::makeSolid(clip("too wide.mkv"), QStringLiteral("red"), QSize(8200, 16), 1));
        QVERIFY(TestClips::makeSolid(clip("too tall.mkv"), QStringLiteral("red"), QSize(16, 8200), 1));
        QFile playlist(clip("playlist.mkv"));
        QVERIFY(playlist.open(QIODevice::WriteOnly));
        playlist.write("#EXTM3U\n" + clip("three.mkv").toUtf8() + "\n");
    }

    void cleanup()
    {
        m_player.reset();
    }

    void testPlaysToTheEnd()
    {
        makePlayer(true);
        QSignalSpy stateChanges(m_player.get(), &VideoPlayer::playStateChanged);
        QSignalSpy errors(m_player.get(), &VideoPlayer::mediaError);
        QCOMPARE(m_player->playState(), int(VideoPlayer::Ready));
        m_player->setURL(clip("three.mkv"));
        QCOMPARE(m_player->URL(), clip("three.mkv"));
        QCOMPARE(m_player->playState(), int(VideoPlayer::Transitioning));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Stopped), 10000);
        QCOMPARE(states(stateChanges),
                 QList<int>({VideoPlayer::Transitioning, VideoPlayer::Playing, VideoPlayer::Stopped}));
        QVERIFY(qAbs(m_player->duration() - 3.0) < 0.1);
        QVERIFY(errors.isEmpty());
    }

    // With a fade, a file ends for the showing as long before its end, for the next one to fade in while it plays on;
    // a file shorter than two fades plays half of itself.
    void testFadeEndsAFileEarly_data()
    {
        QTest::addColumn<double>("fade");
        QTest::addColumn<double>("endsAt");
        QTest::newRow("cut") << 0.0 << 3.0;
        QTest::newRow("1 s") << 1.0 << 2.0;
        QTest::newRow("2 s, longer than half") << 2.0 << 1.5;
    }

    void testFadeEndsAFileEarly()
    {
        QFETCH(double, fade);
        QFETCH(double, endsAt);
        makePlayer(false);
        m_player->setFade(fade);
        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Stopped), 10000);
        QVERIFY2(qAbs(m_player->currentPosition() - endsAt) < 0.25,
                 qPrintable(QString::number(m_player->currentPosition())));
    }

    void testSeeksToAStartPosition()
    {
        makePlayer(false);
        m_player->setURL(clip("ten seconds.avi"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Playing), 10000);
        QVERIFY(qAbs(m_player->duration() - 10.0) < 0.1);
        m_player->setCurrentPosition(6);
        QTRY_VERIFY_WITH_TIMEOUT(m_player->currentPosition() >= 6.0, 5000);
        // It plays on from there in real time, well before the end.
        QTest::qWait(300);
        QVERIFY(m_player->currentPosition() > 6.0);
        QVERIFY(m_player->currentPosition() < 9.0);
        QCOMPARE(m_player->playState(), int(VideoPlayer::Playing));
    }

    void testStopAndClose()
    {
        makePlayer(false);
        m_player->setMute(true);
        m_player->setVolume(0);
        m_player->setStretchToFit(true);
        m_player->setUiMode(QStringLiteral("none"));
        m_player->setURL(clip("ten seconds.avi"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Playing), 10000);
        m_player->stop();
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Stopped), 5000);

        m_player->setURL(clip("ten seconds.avi"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Playing), 10000);
        QSignalSpy stateChanges(m_player.get(), &VideoPlayer::playStateChanged);
        m_player->close();
        QCOMPARE(m_player->playState(), int(VideoPlayer::Ready));
        QTest::qWait(300);
        QCOMPARE(states(stateChanges), QList<int>({VideoPlayer::Ready}));
    }

    void testStopBeforeTheStart()
    {
        makePlayer(false);
        QSignalSpy stateChanges(m_player.get(), &VideoPlayer::playStateChanged);
        m_player->setURL(clip("ten seconds.avi"));
        m_player->stop();
        // Stopped at once; the file that was opening reports nothing more.
        QCOMPARE(m_player->playState(), int(VideoPlayer::Stopped));
        QTest::qWait(500);
        QCOMPARE(states(stateChanges), QList<int>({VideoPlayer::Transitioning, VideoPlayer::Stopped}));

        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Playing), 10000);
    }

    void testANewFileReplacesTheOneOpening()
    {
        makePlayer(true);
        QSignalSpy stateChanges(m_player.get(), &VideoPlayer::playStateChanged);
        m_player->setURL(clip("ten seconds.avi"));
        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Stopped), 10000);
        // The file left behind ends unseen: one start, one play, one end.
        QCOMPARE(states(stateChanges),
                 QList<int>({VideoPlayer::Transitioning, VideoPlayer::Playing, VideoPlayer::Stopped}));
        QVERIFY(qAbs(m_player->duration() - 3.0) < 0.1);
    }

    void testUnplayableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("corrupt") << "corrupt.mkv";
        QTest::newRow("empty") << "empty.mp4";
        QTest::newRow("missing") << "missing.mkv";
        QTest::newRow("a folder") << ".";
        QTest::newRow("a playlist in disguise") << "playlist.mkv";
        QTest::newRow("wider than 8192 pixels") << "too wide.mkv";
        QTest::newRow("taller than 8192 pixels") << "too tall.mkv";
        QTest::newRow("an address") << "https://example.org/video.mp4";
    }

    void testUnplayableFiles()
    {
        QFETCH(QString, name);
        makePlayer(false);
        QSignalSpy stateChanges(m_player.get(), &VideoPlayer::playStateChanged);
        QSignalSpy errors(m_player.get(), &VideoPlayer::mediaError);
        m_player->setURL(name.contains(u':') ? name : clip(name));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Stopped), 5000);
        QVERIFY(!states(stateChanges).contains(VideoPlayer::Playing));
        QCOMPARE(errors.size(), 1);

        // The player is still good for the next file.
        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Playing), 10000);
    }

    void testFileOpenedAheadTakesOver()
    {
        makePlayer(false);
        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Playing), 10000);
        m_player->queueNext(clip("ten seconds.avi"));
        QTest::qWait(500);

        QSignalSpy stateChanges(m_player.get(), &VideoPlayer::playStateChanged);
        QSignalSpy errors(m_player.get(), &VideoPlayer::mediaError);
        m_player->setURL(clip("ten seconds.avi"));
        QCOMPARE(m_player->playState(), int(VideoPlayer::Transitioning));
        // Opened and ready ahead, it plays at the next turn of the event loop, without waiting for mpv.
        QCoreApplication::processEvents();
        QCOMPARE(m_player->playState(), int(VideoPlayer::Playing));
        QVERIFY(qAbs(m_player->duration() - 10.0) < 0.1);
        // It plays from its start, no longer paused, and the file it took over from reports nothing more.
        QTRY_VERIFY_WITH_TIMEOUT(m_player->currentPosition() > 0.3, 5000);
        QVERIFY(m_player->currentPosition() < 3.0);
        m_player->setCurrentPosition(9.5);
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Stopped), 5000);
        QCOMPARE(states(stateChanges),
                 QList<int>({VideoPlayer::Transitioning, VideoPlayer::Playing, VideoPlayer::Stopped}));
        QVERIFY(errors.isEmpty());
    }

    void testFileOpenedAheadThatIsNotWanted()
    {
        makePlayer(true);
        // Each clip plays through in real time; a machine under load may take a while longer.
        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Stopped), 20000);
        m_player->queueNext(clip("ten seconds.avi"));

        // Another file comes instead; the one opened ahead is dropped, and opening it once more is harmless.
        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Stopped), 20000);
        QVERIFY(qAbs(m_player->duration() - 3.0) < 0.1);
        m_player->queueNext(clip("three.mkv"));
        m_player->queueNext(clip("three.mkv"));
        QSignalSpy stateChanges(m_player.get(), &VideoPlayer::playStateChanged);
        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(stateChanges.size(), 3, 20000);
        QCOMPARE(states(stateChanges),
                 QList<int>({VideoPlayer::Transitioning, VideoPlayer::Playing, VideoPlayer::Stopped}));
    }

    void testUnplayableFileOpenedAhead_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("corrupt") << "corrupt.mkv";
        QTest::newRow("empty") << "empty.mp4";
        QTest::newRow("a playlist in disguise") << "playlist.mkv";
        QTest::newRow("wider than 8192 pixels") << "too wide.mkv";
        QTest::newRow("taller than 8192 pixels") << "too tall.mkv";
        QTest::newRow("missing") << "missing.mkv";
    }

    void testUnplayableFileOpenedAhead()
    {
        QFETCH(QString, name);
        makePlayer(false);
        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Playing), 10000);
        m_player->queueNext(clip(name));
        QTest::qWait(500);

        QSignalSpy stateChanges(m_player.get(), &VideoPlayer::playStateChanged);
        QSignalSpy errors(m_player.get(), &VideoPlayer::mediaError);
        m_player->setURL(clip(name));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Stopped), 5000);
        QCOMPARE(errors.size(), 1);
        QVERIFY(!states(stateChanges).contains(VideoPlayer::Playing));

        m_player->setURL(clip("three.mkv"));
        QTRY_COMPARE_WITH_TIMEOUT(m_player->playState(), int(VideoPlayer::Playing), 10000);
    }
};

QTEST_GUILESS_MAIN(TestMpvVideoPlayer)
#include "TestMpvVideoPlayer.moc"
