// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakePlaybackOptions.h"
#include "fakes/FakeVideoPlayer.h"
#include "fakes/TestEnvironment.h"
#include "showing/PlaybackSequencer.h"
#include "showing/RandomGenerator.h"
#include "system/Convert.h"

#include <QSignalSpy>
#include <QTest>

class TestPlaybackSequencer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    FakePlaybackOptions m_options;
    std::unique_ptr<FakeVideoPlayer> m_player;
    std::unique_ptr<PlaybackSequencer> m_sequencer;
    QStringList m_items;

    void startShowing()
    {
        m_sequencer->start(m_player.get(), [this] { return m_items; });
    }

    // The current video plays to its end, and the next one is set.
    void playThrough()
    {
        const qsizetype set = m_player->urls.size();
        m_player->play();
        m_player->finish();
        QTRY_COMPARE(m_player->urls.size(), set + 1);
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_options = FakePlaybackOptions();
        m_player = std::make_unique<FakeVideoPlayer>();
        m_sequencer = std::make_unique<PlaybackSequencer>(m_options, m_env->random, m_env->report);
        m_items = {QStringLiteral("/v/a.mkv"), QStringLiteral("/v/b.mkv"), QStringLiteral("/v/c.mkv")};
    }

    void cleanup()
    {
        m_sequencer.reset();
        m_player.reset();
        m_env.reset();
    }

    void testInOrderWithWrapAround()
    {
        QSignalSpy aboutToPlay(m_sequencer.get(), &PlaybackSequencer::aboutToPlay);
        startShowing();
        for (int i = 0; i < 4; ++i) {
            playThrough();
        }
        QCOMPARE(m_player->urls, QStringList({"/v/a.mkv", "/v/b.mkv", "/v/c.mkv", "/v/a.mkv", "/v/b.mkv"}));
        QCOMPARE(aboutToPlay.size(), 5);
        QCOMPARE(m_player->uiModes.last(), QStringLiteral("none"));
        QCOMPARE(m_player->stretches.last(), true);
        QVERIFY(m_env->reports().isEmpty());
    }

    // A player that tells more than one end of a video (stopped, then its file released) moves on by one video.
    void testAVideoThatEndsTwiceMovesOnOnce()
    {
        startShowing();
        m_player->play();
        emit m_player->playStateChanged(VideoPlayer::Stopped);
        emit m_player->playStateChanged(VideoPlayer::Ready);
        QTRY_COMPARE(m_player->urls.size(), 2);
        QTest::qWait(50);
        QCOMPARE(m_player->urls, QStringList({"/v/a.mkv", "/v/b.mkv"}));
    }

    // Each screen its own sequence: in order, screen k starts at the k-th video and goes on from there; at random, no
    // two screens play the same file at once while the list holds enough of them.
    void testOwnVideoOnEachScreen_data()
    {
        QTest::addColumn<bool>("random");
        QTest::addColumn<int>("screens");
        QTest::addColumn<int>("files");
        QTest::newRow("in order, 3 screens") << false << 3 << 4;
        QTest::newRow("in order, more screens than files") << false << 3 << 2;
        QTest::newRow("random, 2 screens") << true << 2 << 3;
        QTest::newRow("random, 3 screens") << true << 3 << 3;
        QTest::newRow("random, more screens than files") << true << 3 << 2;
    }

    void testOwnVideoOnEachScreen()
    {
        QFETCH(bool, random);
        QFETCH(int, screens);
        QFETCH(int, files);
        m_options.random = random;
        m_env->random.seed(1234.5f);
        m_items.clear();
        for (int i = 0; i < files; ++i) {
            m_items.append(QStringLiteral("/v/%1.mkv").arg(i + 1));
        }
        std::vector<std::unique_ptr<FakeVideoPlayer>> players;
        std::vector<std::unique_ptr<PlaybackSequencer>> sequencers;
        for (int k = 0; k < screens; ++k) {
            players.push_back(std::make_unique<FakeVideoPlayer>());
            sequencers.push_back(std::make_unique<PlaybackSequencer>(m_options, m_env->random, m_env->report));
        }
        const auto takenBesides = [&sequencers](int screen) {
            QSet<QString> taken;
            for (int k = 0; k < int(sequencers.size()); ++k) {
                if (k != screen) {
                    taken.insert(sequencers[k]->currentPath());
                }
            }
            return taken;
        };
        for (int k = 0; k < screens; ++k) {
            sequencers[k]->setScreen(k, [&takenBesides, k] { return takenBesides(k); });
            sequencers[k]->start(players[k].get(), [this] { return m_items; });
        }
        if (!random) {
            for (int k = 0; k < screens; ++k) {
                QCOMPARE(players[k]->URL(), m_items.at(k % files));
            }
        }
        // The screens' videos end one after another, forty times.
        for (int round = 0; round < 40; ++round) {
            FakeVideoPlayer& player = *players[round % screens];
            const qsizetype set = player.urls.size();
            player.play();
            player.finish();
            QTRY_COMPARE(player.urls.size(), set + 1);
            QSet<QString> playing;
            for (const auto& each : players) {
                playing.insert(each->URL());
            }
            if (random) {
                QCOMPARE(playing.size(), std::min(screens, files));
            }
        }
        if (!random) {
            // In order from its own start: screen 2 played 2, 3, 4, 1, 2 ...
            const FakeVideoPlayer& second = *players[1];
            for (int i = 0; i < int(second.urls.size()); ++i) {
                QCOMPARE(second.urls.at(i), m_items.at((1 + i) % files));
            }
        }
        QVERIFY(m_env->reports().isEmpty());
    }

    void testRandomChoiceFromTheSeededGenerator()
    {
        m_options.random = true;
        m_env->random.seed(12345.5f);
        RandomGenerator expected;
        expected.seed(12345.5f);
        startShowing();
        for (int i = 0; i < 7; ++i) {
            playThrough();
        }
        QStringList chosen;
        for (int i = 0; i < 8; ++i) {
            chosen.append(m_items.at(qint32(PlaybackSequencer::PickRandomItem(expected, 3)) - 1));
        }
        QCOMPARE(m_player->urls, chosen);
        // Repeats are allowed: with eight choices of three, some video comes again.
        QVERIFY(QSet<QString>(chosen.begin(), chosen.end()).size() < 8);
    }

    void testNextVideoIsOpenedAheadAndTaken()
    {
        startShowing();
        QVERIFY(m_player->queued.isEmpty());
        playThrough();
        playThrough();
        QCOMPARE(m_player->queued, QStringList({"/v/b.mkv", "/v/c.mkv"}));
        QCOMPARE(m_player->urls, QStringList({"/v/a.mkv", "/v/b.mkv", "/v/c.mkv"}));

        // Chosen ahead in order, but the order changed meanwhile: the random choice is made afresh when it is due.
        m_player->play();
        QCOMPARE(m_player->queued.last(), QStringLiteral("/v/a.mkv"));
        m_options.random = true;
        m_env->random.seed(7.0f);
        RandomGenerator expected;
        expected.seed(7.0f);
        m_player->finish();
        QTRY_COMPARE(m_player->urls.size(), 4);
        QCOMPARE(m_player->urls.last(), m_items.at(qint32(PlaybackSequencer::PickRandomItem(expected, 3)) - 1));
        QVERIFY(m_env->reports().isEmpty());
    }

    void testRandomHelpers()
    {
        RandomGenerator random;
        random.seed(3.0f);
        for (int i = 0; i < 1000; ++i) {
            const double item = PlaybackSequencer::PickRandomItem(random, 5);
            QVERIFY(item >= 1 && item <= 5 && item == std::floor(item));
            const double start = PlaybackSequencer::PickRandomStart(random, 20);
            QVERIFY(start >= 1 && start < 21);
        }
        QCOMPARE(PlaybackSequencer::PickRandomStart(random, 0), 1.0);
    }

    void testListShrinkingUnderTheOrderCounter()
    {
        startShowing();
        playThrough();
        playThrough();
        QCOMPARE(m_player->urls.last(), QStringLiteral("/v/c.mkv"));
        m_items = {QStringLiteral("/v/x.mkv"), QStringLiteral("/v/y.mkv")};
        playThrough();
        QCOMPARE(m_player->urls.last(), QStringLiteral("/v/x.mkv"));
    }

    void testOptionsChangedDuringAShowingTakeEffectWithTheNextVideo()
    {
        startShowing();
        QCOMPARE(m_player->mutes.last(), false);
        QCOMPARE(m_player->volumes.last(), 100);
        m_options.silent = true;
        m_options.fullScreen = false;
        QSignalSpy aboutToPlay(m_sequencer.get(), &PlaybackSequencer::aboutToPlay);
        QCOMPARE(m_player->mutes.size(), 1);
        playThrough();
        QCOMPARE(m_player->mutes.last(), true);
        QCOMPARE(m_player->volumes.last(), 0);
        QCOMPARE(aboutToPlay.first().first().toBool(), false);
    }

    void testPlayLengthStopsAVideo()
    {
        m_options.limited = true;
        m_options.seconds = QStringLiteral("2.5");
        QSignalSpy check(m_sequencer.get(), &PlaybackSequencer::playLengthCheckWanted);
        startShowing();
        // 2.5 is taken to the even neighbour.
        QCOMPARE(m_sequencer->StopPosition, 2);
        // The check waits for the video to play.
        QCOMPARE(check.size(), 0);
        m_player->play();
        QCOMPARE(check.size(), 1);
        QCOMPARE(check.last().first().toBool(), true);
        m_player->advanceTo(1.9);
        m_sequencer->checkPlayLength();
        QCOMPARE(m_player->stops, 0);
        m_player->advanceTo(2.0);
        m_sequencer->checkPlayLength();
        QCOMPARE(m_player->stops, 1);
        QTRY_COMPARE(m_player->urls.size(), 2);
        // The check belongs to the new video: it starts again when that plays, at the new video's position.
        QCOMPARE(check.last().first().toBool(), false);
        m_player->play();
        QCOMPARE(check.last().first().toBool(), true);
        m_sequencer->checkPlayLength();
        QCOMPARE(m_player->stops, 1);
    }

    // The fade to the next video falls inside the seconds played.
    void testPlayLengthWithAFade()
    {
        m_options.limited = true;
        m_options.seconds = QStringLiteral("10");
        m_options.fade = 2;
        startShowing();
        m_player->play();
        m_player->advanceTo(7.9);
        m_sequencer->checkPlayLength();
        QCOMPARE(m_player->stops, 0);
        m_player->advanceTo(8.0);
        m_sequencer->checkPlayLength();
        QCOMPARE(m_player->stops, 1);
    }

    // A video that is slow to open is not stopped for its play length before it plays, however short the length.
    void testPlayLengthCountsFromTheStart()
    {
        m_options.limited = true;
        m_options.seconds = QStringLiteral("0");
        startShowing();
        m_sequencer->checkPlayLength();
        m_sequencer->checkPlayLength();
        QCOMPARE(m_player->stops, 0);
        QCOMPARE(m_player->playState(), int(VideoPlayer::Transitioning));
        m_player->play();
        m_sequencer->checkPlayLength();
        QCOMPARE(m_player->stops, 1);
        // It played, so it is no failure: the showing goes on with the next video.
        QTRY_COMPARE(m_player->urls.size(), 2);
        QVERIFY(!m_sequencer->isIdle());
    }

    void testAStaleCheckStopsNothing()
    {
        m_options.limited = true;
        m_options.randomStart = true;
        startShowing();
        m_player->play();
        m_player->advanceTo(m_sequencer->StopPosition + 5.0);
        m_player->finish();
        QTRY_COMPARE(m_player->urls.size(), 2);
        // Until the new video plays and has its start, the check is off, whatever the position says.
        m_sequencer->checkPlayLength();
        QCOMPARE(m_player->stops, 0);
    }

    void testRandomStart()
    {
        m_options.randomStart = true;
        m_options.limited = true;
        m_options.seconds = QStringLiteral("2.5");
        m_env->random.seed(99.0f);
        RandomGenerator expected;
        expected.seed(99.0f);
        m_player->durations.insert(QStringLiteral("/v/a.mkv"), 100.0);
        startShowing();
        QVERIFY(m_player->seeks.isEmpty());
        m_player->play();
        const qint32 start = Convert::toLong(PlaybackSequencer::PickRandomStart(expected, 100.0));
        QCOMPARE(m_player->seeks, QList<double>({double(start)}));
        // The fraction is added unchanged before the rounding.
        QCOMPARE(m_sequencer->StopPosition, Convert::toLong(start + 2.5));
    }

    void testRandomStartStaysInsideTheVideo()
    {
        m_options.randomStart = true;
        m_player->durations.insert(QStringLiteral("/v/a.mkv"), 3.0);
        m_player->durations.insert(QStringLiteral("/v/b.mkv"), 0.0);
        m_player->durations.insert(QStringLiteral("/v/c.mkv"), 0.3);
        for (int i = 0; i < 30; ++i) {
            startShowing();
            m_player->play();
            QVERIFY2(m_player->seeks.last() <= 2.0, qPrintable(QString::number(m_player->seeks.last())));
        }
        // An unknown length gives one second, as ever.
        playThrough();
        m_player->play();
        QCOMPARE(m_player->seeks.last(), 1.0);
        playThrough();
        m_player->play();
        QCOMPARE(m_player->seeks.last(), 0.0);
    }

    void testUnplayableVideosAreSkipped()
    {
        m_player->autoStart = true;
        m_player->unplayable = {QStringLiteral("/v/b.mkv")};
        startShowing();
        QTRY_COMPARE(m_player->playState(), int(VideoPlayer::Playing));
        m_player->finish();
        QTRY_COMPARE(m_player->urls.size(), 3);
        QCOMPARE(m_player->urls, QStringList({"/v/a.mkv", "/v/b.mkv", "/v/c.mkv"}));
        QTRY_COMPARE(m_player->playState(), int(VideoPlayer::Playing));
        QVERIFY(!m_sequencer->isIdle());
    }

    void testAListOfOnlyUnplayableFilesRests()
    {
        m_player->autoStart = true;
        m_player->unplayable = QSet<QString>(m_items.begin(), m_items.end());
        startShowing();
        QTRY_VERIFY(m_sequencer->isIdle());
        QTest::qWait(50);
        // Each was tried once; then nothing more happens until input ends the showing.
        QCOMPARE(m_player->urls, m_items);
        QVERIFY(m_sequencer->isShowing());
    }

    void testRandomOrderFindsThePlayableOne()
    {
        m_options.random = true;
        m_player->autoStart = true;
        m_player->unplayable = {QStringLiteral("/v/a.mkv"), QStringLiteral("/v/b.mkv")};
        startShowing();
        QTRY_COMPARE(m_player->URL(), QStringLiteral("/v/c.mkv"));
        QTRY_COMPARE(m_player->playState(), int(VideoPlayer::Playing));
        QVERIFY(!m_sequencer->isIdle());
    }

    void testStopRequestEndsTheShowing()
    {
        startShowing();
        m_player->play();
        m_sequencer->requestStop();
        QVERIFY(m_sequencer->StopRequested());
        m_player->finish();
        QTest::qWait(20);
        QCOMPARE(m_player->urls.size(), 1);
        QVERIFY(!m_sequencer->isShowing());
    }

    void testAStartDuringAShowingBeginsAfresh()
    {
        startShowing();
        playThrough();
        QCOMPARE(m_player->urls.last(), QStringLiteral("/v/b.mkv"));
        startShowing();
        QCOMPARE(m_player->urls.last(), QStringLiteral("/v/a.mkv"));
        // The video replaced ends unseen, and only one next video follows the one playing.
        m_player->play();
        m_player->finish();
        QTRY_COMPARE(m_player->urls.size(), 4);
        QTest::qWait(20);
        QCOMPARE(m_player->urls.size(), 4);
        QCOMPARE(m_player->urls.last(), QStringLiteral("/v/b.mkv"));
    }

    void testPlayLengthThatIsNoNumber()
    {
        m_options.limited = true;
        m_options.seconds = QStringLiteral("7");
        startShowing();
        QCOMPARE(m_sequencer->StopPosition, 7);
        m_options.seconds = QStringLiteral("seven");
        playThrough();
        QCOMPARE(m_sequencer->StopPosition, 7);
        QCOMPARE(m_env->reports(),
                 QStringList({QStringLiteral("Lumaveil2021/08/31.Form1.PlayVideo@124: Type mismatch")}));
    }
};

QTEST_GUILESS_MAIN(TestPlaybackSequencer)
#include "TestPlaybackSequencer.moc"
