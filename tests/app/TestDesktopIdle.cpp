// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopIdle.h"
#include "fakes/FakeDesktopSources.h"

#include <QSignalSpy>
#include <QTest>

/** Which source of the desktop's idle time is used, when each is asked, and what a tick learns. */
class TestDesktopIdle : public QObject
{
    Q_OBJECT

private:
    FakeDesktop m_fakes;
    std::unique_ptr<DesktopIdle> m_idle;
    qint64 m_now = 0;
    QList<DesktopActivity> m_polled;

    DesktopIdle& make(std::optional<qint64> idle = 3600000)
    {
        m_idle = std::make_unique<DesktopIdle>(m_fakes.sources(idle));
        m_idle->setClock([this] { return m_now; });
        connect(m_idle.get(), &DesktopIdle::polled, this, [this](const DesktopActivity& activity) {
            m_polled.append(activity);
        });
        return *m_idle;
    }

private slots:
    void init()
    {
        m_now = 1000;
        m_polled.clear();
    }

    void cleanup()
    {
        m_idle.reset();
    }

    // The first source that answers is used from then on; the ones before it are not asked again, the ones after it
    // never.
    void testFirstSourceThatWorksWins()
    {
        DesktopIdle& idle = make(42000);
        auto third = std::make_unique<FakeIdleSource>(QStringLiteral("third"));
        third->answer = IdleAnswer{7, {}};
        FakeIdleSource* later = third.get();
        DesktopIdle::Sources sources = m_fakes.sources(42000);
        sources.idle.push_back(std::move(third));
        idle.setSources(std::move(sources));
        QCOMPARE(idle.search(), DesktopIdle::Search::NotYet);

        QVERIFY(idle.poll(false, true));
        QCOMPARE(m_polled.size(), 1);
        QCOMPARE(m_polled.last().idleMilliseconds, std::optional<qint64>(42000));
        QCOMPARE(idle.search(), DesktopIdle::Search::Found);
        QCOMPARE(idle.sourceName(), QStringLiteral("second"));

        m_fakes.second->answer.milliseconds = 43000;
        QVERIFY(idle.poll(false, true));
        QCOMPARE(m_polled.last().idleMilliseconds, std::optional<qint64>(43000));
        QCOMPARE(m_fakes.first->asks, 1);
        QCOMPARE(m_fakes.second->asks, 2);
        QCOMPARE(later->asks, 0);
    }

    // A source in use that stops working (its service ended) gives way to the next that works, in the same tick.
    void testSourceThatStopsWorkingIsReplaced()
    {
        DesktopIdle& idle = make(42000);
        auto third = std::make_unique<FakeIdleSource>(QStringLiteral("third"));
        third->answer = IdleAnswer{7000, {}};
        DesktopIdle::Sources sources = m_fakes.sources(42000);
        sources.idle.push_back(std::move(third));
        idle.setSources(std::move(sources));
        idle.poll(false, true);
        QCOMPARE(idle.sourceName(), QStringLiteral("second"));

        m_fakes.second->answer = IdleAnswer{std::nullopt, QStringLiteral("gone")};
        idle.poll(false, true);
        QCOMPARE(m_polled.size(), 2);
        QCOMPARE(m_polled.last().idleMilliseconds, std::optional<qint64>(7000));
        QCOMPARE(idle.sourceName(), QStringLiteral("third"));
        QCOMPARE(idle.search(), DesktopIdle::Search::Found);
        // No source is asked twice in one tick.
        QCOMPARE(m_fakes.first->asks, 2);
        QCOMPARE(m_fakes.second->asks, 2);

        // With none left, the reasons name each source once.
        idle.setSources(m_fakes.sources(42000));
        idle.poll(false, true);
        m_fakes.second->answer = IdleAnswer{std::nullopt, QStringLiteral("gone")};
        idle.poll(false, true);
        QCOMPARE(idle.search(), DesktopIdle::Search::NoneWorks);
        QCOMPARE(idle.whyNoneWorks(), QStringLiteral("second: gone; first: not here"));
        QCOMPARE(m_fakes.second->asks, 2);
    }

    // Where no source works the tick still gets its answer, without an idle time, and the reasons are kept for the
    // user. The sources are asked again only after a while.
    void testNoSourceWorks()
    {
        DesktopIdle& idle = make(std::nullopt);
        QSignalSpy changes(&idle, &DesktopIdle::searchChanged);
        QVERIFY(idle.poll(false, true));
        QCOMPARE(m_polled.size(), 1);
        QVERIFY(!m_polled.last().idleMilliseconds);
        QCOMPARE(idle.search(), DesktopIdle::Search::NoneWorks);
        QVERIFY(changes.size() >= 1);
        QCOMPARE(idle.whyNoneWorks(), QStringLiteral("first: not here; second: not here either"));
        QVERIFY(idle.sourceName().isEmpty());

        idle.poll(false, true);
        QCOMPARE(m_fakes.first->asks, 1);
        m_now += DesktopIdle::retryAfterMs - 1;
        idle.lookAgainIfStale();
        QCOMPARE(idle.search(), DesktopIdle::Search::NoneWorks);
        m_now += 1;
        idle.lookAgainIfStale();
        QCOMPARE(idle.search(), DesktopIdle::Search::NotYet);
        m_fakes.second->answer = IdleAnswer{5000, {}};
        idle.poll(false, true);
        QCOMPARE(m_polled.last().idleMilliseconds, std::optional<qint64>(5000));
        QCOMPARE(idle.search(), DesktopIdle::Search::Found);
    }

    // One question at a time: a tick that finds the last one open asks nothing. A service that never answers is
    // given up after a while, and its late answer finds no one waiting.
    void testOneQuestionAtATime()
    {
        DesktopIdle& idle = make(42000);
        idle.poll(false, true);
        m_fakes.second->deferred = true;
        QVERIFY(idle.poll(false, true));
        QVERIFY(idle.isPolling());
        QVERIFY(!idle.poll(false, true));
        QCOMPARE(m_fakes.second->asks, 2);

        m_now += DesktopIdle::giveUpAfterMs;
        QVERIFY(idle.poll(false, true));
        QCOMPARE(m_fakes.second->asks, 3);
        QCOMPARE(m_fakes.second->pending.size(), std::size_t(2));
        auto late = std::move(m_fakes.second->pending.front());
        m_fakes.second->pending.erase(m_fakes.second->pending.begin());
        late(IdleAnswer{1, {}});
        QCOMPARE(m_polled.size(), 1);
        QVERIFY(idle.isPolling());
        m_fakes.second->answerPending();
        QCOMPARE(m_polled.size(), 2);
        QCOMPARE(m_polled.last().idleMilliseconds, std::optional<qint64>(42000));
        QVERIFY(!idle.isPolling());
    }

    // A count that stopped while the desktop answered gets no answer; the source found meanwhile is kept.
    void testCancelledQuestionIsNotAnswered()
    {
        DesktopIdle& idle = make(42000);
        m_fakes.second->deferred = true;
        idle.poll(false, true);
        idle.cancel();
        m_fakes.second->answerPending();
        QVERIFY(m_polled.isEmpty());
        QCOMPARE(idle.search(), DesktopIdle::Search::Found);
        QVERIFY(!idle.isPolling());
    }

    // Answers that come after the whole watch is gone are dropped.
    void testAnswerAfterTheEnd()
    {
        DesktopIdle& idle = make(42000);
        m_fakes.second->deferred = true;
        idle.poll(false, true);
        std::vector<std::function<void(const IdleAnswer&)>> pending = std::move(m_fakes.second->pending);
        m_idle.reset();
        pending.front()(IdleAnswer{5, {}});
        QVERIFY(m_polled.isEmpty());
    }

    // Inhibitions are asked on every tick and any one of them holds; a desktop without the service is left alone
    // for a while.
    void testInhibitions()
    {
        DesktopIdle& idle = make(42000);
        auto absent = std::make_unique<FakeHold>(QStringLiteral("absent"));
        FakeHold* missing = absent.get();
        DesktopIdle::Sources sources = m_fakes.sources(42000);
        sources.inhibitions.insert(sources.inhibitions.begin(), std::move(absent));
        idle.setSources(std::move(sources));

        idle.poll(false, true);
        QVERIFY(!m_polled.last().inhibited);
        m_fakes.inhibition->answer.held = true;
        idle.poll(false, true);
        QVERIFY(m_polled.last().inhibited);
        QVERIFY(m_polled.last().held());
        QCOMPARE(m_fakes.inhibition->asks, 2);
        QCOMPARE(missing->asks, 1);

        m_now += DesktopIdle::retryAfterMs;
        m_fakes.inhibition->answer.held = false;
        missing->answer = HoldAnswer{true, {}};
        idle.poll(false, true);
        QCOMPARE(missing->asks, 2);
        QVERIFY(m_polled.last().inhibited);
        idle.poll(false, true);
        QCOMPARE(missing->asks, 3);
    }

    // Full-screen windows are looked for only where they count and the count may end, and then on every tick while
    // one holds the count.
    void testFullScreenOnlyNearTheEnd()
    {
        DesktopIdle& idle = make(42000);
        idle.poll(false, true);
        QCOMPARE(m_fakes.fullScreen->asks, 0);
        idle.poll(true, false);
        QCOMPARE(m_fakes.fullScreen->asks, 0);
        QVERIFY(!m_polled.last().fullScreen);

        m_fakes.fullScreen->answer.held = true;
        idle.poll(true, true);
        QCOMPARE(m_fakes.fullScreen->asks, 1);
        QVERIFY(m_polled.last().fullScreen);
        idle.poll(false, true);
        QCOMPARE(m_fakes.fullScreen->asks, 2);
        QVERIFY(m_polled.last().fullScreen);

        m_fakes.fullScreen->answer.held = false;
        idle.poll(false, true);
        QCOMPARE(m_fakes.fullScreen->asks, 3);
        QVERIFY(!m_polled.last().fullScreen);
        idle.poll(false, true);
        QCOMPARE(m_fakes.fullScreen->asks, 3);

        // A count that starts again (input on the main window) forgets the full-screen window.
        m_fakes.fullScreen->answer.held = true;
        idle.poll(true, true);
        idle.cancel();
        idle.poll(false, true);
        QCOMPARE(m_fakes.fullScreen->asks, 4);
    }

    // Answers that come at once and answers that come later give the same tick.
    void testLateHoldsStillCount()
    {
        DesktopIdle& idle = make(42000);
        m_fakes.inhibition->deferred = true;
        m_fakes.fullScreen->deferred = true;
        m_fakes.inhibition->answer.held = true;
        idle.poll(true, true);
        QVERIFY(m_polled.isEmpty());
        m_fakes.fullScreen->answerPending();
        QVERIFY(m_polled.isEmpty());
        m_fakes.inhibition->answerPending();
        QCOMPARE(m_polled.size(), 1);
        QCOMPARE(m_polled.last().idleMilliseconds, std::optional<qint64>(42000));
        QVERIFY(m_polled.last().inhibited);
        QVERIFY(!m_polled.last().fullScreen);
    }
};

QTEST_GUILESS_MAIN(TestDesktopIdle)
#include "TestDesktopIdle.moc"
