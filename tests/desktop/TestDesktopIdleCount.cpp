// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/IdleRun.h"

#include <QTest>

using namespace DesktopTest;
using namespace IdleRun;

/**
 * The real program counting the whole desktop's inactivity, hidden in the notification area: input to other
 * programs holds its showing back, and without input the showing comes on time. With the option off, as it is at
 * first, only input to the program's own window counts.
 */
class TestDesktopIdleCount : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
    }

    // However long the desktop was idle before, the showing waits the full time from the start of the count.
    void testShowingComesOnTimeWithoutInput()
    {
        ProgramRun run(settings(true));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(startCounting(m_x, run));
        const qint64 fromStart = msUntilShowing(m_x, run, clock);
        // A one-second timer may fire a little early, up to a twentieth of its interval.
        QVERIFY2(fromStart >= countdownMs * 19 / 20 && fromStart <= countdownMs + 5000,
                 qPrintable(QString::number(fromStart)));
        QCOMPARE(run.terminate(), 0);
    }

    // Typing into another program's window keeps the showing off for as long as it goes on; the full time after the
    // last key, it comes.
    void testTypingInAnotherProgramHoldsTheShowingBack()
    {
        ProgramRun run(settings(true));
        QVERIFY(startCounting(m_x, run));
        OtherProgram other(QRect(300, 200, 400, 200));
        const Window window = other.awaitWindow(m_x);
        QVERIFY(window != 0);
        m_x.clickAt(m_x.geometry(window).center());
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), window, 5000);

        QElapsedTimer lastKey;
        QVERIFY2(busyWithoutShowing(m_x, run, countdownMs + 4000, lastKey, [this] { m_x.key(QStringLiteral("a")); }),
                 "a showing came while the user typed");
        const qint64 afterKey = msUntilShowing(m_x, run, lastKey);
        QVERIFY2(onTime(afterKey), qPrintable(QString::number(afterKey)));
        QCOMPARE(run.terminate(), 0);
    }

    // With the option off the program counts its own window's input only: typing elsewhere changes nothing.
    void testOptionOffCountsTheProgramsOwnInputOnly()
    {
        ProgramRun run(settings(false));
        QVERIFY(startCounting(m_x, run));
        OtherProgram other(QRect(300, 200, 400, 200));
        const Window window = other.awaitWindow(m_x);
        QVERIFY(window != 0);
        m_x.clickAt(m_x.geometry(window).center());
        QElapsedTimer lastKey;
        QVERIFY2(!busyWithoutShowing(m_x, run, countdownMs + 4000, lastKey, [this] { m_x.key(QStringLiteral("a")); }),
                 "no showing came while the user typed elsewhere");
        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_MAIN(TestDesktopIdleCount)
#include "TestDesktopIdleCount.moc"
