// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/IdleLockHandover.h"

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <memory>

namespace {

constexpr qint64 none = -1;
constexpr qint64 minute = 60000;

std::optional<qint64> given(qint64 ms)
{
    return ms == none ? std::nullopt : std::optional<qint64>(ms);
}

} // namespace

class TestIdleLockHandover : public QObject
{
    Q_OBJECT

private:
    qint64 m_now = 1000000;
    std::function<void(std::optional<qint64>)> m_answer;
    std::unique_ptr<IdleLockHandover> m_handover;
    QObject m_showing;

private slots:
    void init()
    {
        m_handover = std::make_unique<IdleLockHandover>([] { return QDBusConnection(QString()); });
        m_handover->setClock([this] { return m_now; });
        m_handover->setLockTime(
            [this](QObject*, std::function<void(std::optional<qint64>)> answer) { m_answer = std::move(answer); });
    }

    // From the last input, the time before the showing included, until the desktop's lock time has passed. The
    // desktop's own idle time counts where the countdown heard it a moment ago; a showing started by hand follows
    // input. Input here is a key, a click, or the password prompt opening; a pointer move is not (the showing moves
    // the pointer itself).
    void testDueAfterTheDesktopsLockTime_data()
    {
        QTest::addColumn<qint64>("countdownIdle");
        QTest::addColumn<qint64>("desktopIdle");
        QTest::addColumn<qint64>("polledAgo");
        QTest::addColumn<qint64>("lockAfter");
        QTest::addColumn<QString>("input");
        QTest::addColumn<qint64>("due");
        QTest::newRow("by hand") << none << none << qint64(0) << minute << "" << minute;
        QTest::newRow("after the countdown") << qint64(45000) << none << qint64(0) << minute << "" << qint64(15000);
        QTest::newRow("idle longer than the lock time")
            << qint64(90000) << none << qint64(0) << minute << "" << qint64(0);
        QTest::newRow("the desktop's idle time")
            << qint64(45000) << qint64(50000) << qint64(1000) << minute << "" << qint64(9000);
        QTest::newRow("the desktop's answer too old")
            << qint64(45000) << qint64(50000) << qint64(3000) << minute << "" << qint64(15000);
        QTest::newRow("the desktop not asked")
            << qint64(45000) << DesktopActivity::NotAsked << qint64(0) << minute << "" << qint64(15000);
        QTest::newRow("by hand, whatever the desktop said")
            << none << qint64(500000) << qint64(0) << minute << "" << minute;
        QTest::newRow("a key at 30 s") << none << none << qint64(0) << minute << "key" << qint64(90000);
        QTest::newRow("the prompt at 30 s") << none << none << qint64(0) << minute << "prompt" << qint64(90000);
        QTest::newRow("a pointer move") << none << none << qint64(0) << minute << "move" << minute;
        QTest::newRow("no lock on this desktop") << qint64(90000) << none << qint64(0) << none << "" << none;
    }

    void testDueAfterTheDesktopsLockTime()
    {
        QFETCH(qint64, countdownIdle);
        QFETCH(qint64, desktopIdle);
        QFETCH(qint64, polledAgo);
        QFETCH(qint64, lockAfter);
        QFETCH(QString, input);
        QFETCH(qint64, due);

        if (desktopIdle != none) {
            m_handover->desktopPolled(DesktopActivity{desktopIdle, false, false});
        }
        m_now += polledAgo;
        const qint64 start = m_now;
        QSignalSpy lockDue(m_handover.get(), &IdleLockHandover::lockDue);
        m_handover->begin(&m_showing, given(countdownIdle));
        m_answer(given(lockAfter));

        if (!input.isEmpty()) {
            m_now = start + 30000;
            m_handover->checkTime();
            QWidget target;
            if (input == QLatin1String("key")) {
                QTest::keyClick(&target, Qt::Key_A);
            } else if (input == QLatin1String("move")) {
                QTest::mouseMove(&target, QPoint(5, 7));
            } else {
                m_handover->promptShown(true);
            }
        }
        // Not a millisecond early, and told once.
        for (const qint64 at : {due - 1, due, due + minute}) {
            if (at < 0) {
                continue;
            }
            m_now = start + (due == none ? 100 * minute : at);
            m_handover->checkTime();
            QCOMPARE(lockDue.size(), int(due != none && at >= due));
        }
    }

    // The lock time is asked as each showing starts; an answer that comes after the showing ended, or for an earlier
    // showing, starts nothing. The real timer brings the lock when no one asks.
    void testOnlyTheRunningShowingsAnswerCounts()
    {
        QSignalSpy lockDue(m_handover.get(), &IdleLockHandover::lockDue);
        auto showing = std::make_unique<QObject>();
        m_handover->begin(showing.get(), qint64(0));
        const auto first = m_answer;
        m_handover->begin(showing.get(), qint64(0));
        first(qint64(0));
        QVERIFY(m_handover->isRunning());
        QCOMPARE(lockDue.size(), 0);

        showing.reset();
        QVERIFY(!m_handover->isRunning());
        m_answer(qint64(0));
        QCOMPARE(lockDue.size(), 0);

        m_handover->begin(&m_showing, qint64(0));
        m_handover->end();
        m_answer(qint64(0));
        QCOMPARE(lockDue.size(), 0);

        m_handover->begin(&m_showing, qint64(0));
        m_answer(qint64(50));
        m_now += 50;
        QVERIFY(lockDue.wait(2000));
    }
};

QTEST_MAIN(TestIdleLockHandover)
#include "TestIdleLockHandover.moc"
