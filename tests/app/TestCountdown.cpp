// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Countdown.h"
#include "system/Failure.h"

#include <QTest>

#include <limits>

class TestCountdown : public QObject
{
    Q_OBJECT

private slots:
    void testTicksUntilTheEnd_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<QString>("firstText");
        QTest::newRow("one minute") << "1" << 60 << "There will be 0:59 minutes until screensaver starts";
        QTest::newRow("half a minute") << "0.5" << 30 << "There will be 0:29 minutes until screensaver starts";
        QTest::newRow("ninety minutes") << "90" << 5400 << "There will be 89:59 minutes until screensaver starts";
    }

    void testTicksUntilTheEnd()
    {
        QFETCH(QString, minutes);
        QFETCH(int, ticks);
        QFETCH(QString, firstText);

        Countdown countdown;
        countdown.CountdownSeconds = Countdown::lengthInSeconds(minutes);
        int count = 0;
        do {
            countdown.tick();
            ++count;
            if (count == 1 && !firstText.isEmpty()) {
                QCOMPARE(Countdown::timeLeftText(countdown.secondsLeft()), firstText);
            }
        } while (!countdown.expired() && count < 10000);
        QCOMPARE(count, ticks);
    }

    void testLastSecondsOfAMinute()
    {
        Countdown countdown;
        countdown.CountdownSeconds = 60;
        countdown.ElapsedSeconds = 58;
        countdown.tick();
        QCOMPARE(Countdown::timeLeftText(countdown.secondsLeft()),
                 QStringLiteral("There will be 0:01 minutes until screensaver starts"));
        QVERIFY(!countdown.expired());
        countdown.tick();
        QVERIFY(countdown.expired());
        QCOMPARE(Countdown::timeLeftText(75), QStringLiteral("There will be 1:15 minutes until screensaver starts"));
    }

    void testResetStartsTheCountAgain()
    {
        Countdown countdown;
        countdown.CountdownSeconds = 2;
        countdown.tick();
        countdown.reset();
        countdown.tick();
        QVERIFY(!countdown.expired());
    }

    void testDesktopTick_data()
    {
        QTest::addColumn<int>("elapsed");
        QTest::addColumn<qint64>("idleMs");
        QTest::addColumn<bool>("inhibited");
        QTest::addColumn<bool>("fullScreen");
        QTest::addColumn<int>("expected");
        // idleMs -1: the desktop told no idle time.
        constexpr int most = std::numeric_limits<qint32>::max();
        QTest::newRow("no idle time: a plain second") << 5 << qint64(-1) << false << false << 6;
        QTest::newRow("no idle time: holds do not count") << 5 << qint64(-1) << true << true << 6;
        QTest::newRow("idle all along: one second more") << 5 << qint64(600000) << false << false << 6;
        QTest::newRow("idle exactly as long") << 5 << qint64(6000) << false << false << 6;
        QTest::newRow("input a moment ago") << 40 << qint64(400) << false << false << 0;
        QTest::newRow("input three and a half seconds ago") << 40 << qint64(3500) << false << false << 3;
        QTest::newRow("inhibited") << 40 << qint64(600000) << true << false << 0;
        QTest::newRow("full screen") << 40 << qint64(600000) << false << true << 0;
        QTest::newRow("a clock that ran backwards") << 40 << qint64(-5000) << false << false << 0;
        QTest::newRow("no overflow at the end of the range")
            << most << std::numeric_limits<qint64>::max() << false << false << most;
    }

    // Input anywhere brings the count back to the desktop's idle time, never beyond one second a tick; a hold keeps
    // it at 0.
    void testDesktopTick()
    {
        QFETCH(int, elapsed);
        QFETCH(qint64, idleMs);
        QFETCH(bool, inhibited);
        QFETCH(bool, fullScreen);
        QFETCH(int, expected);
        Countdown countdown;
        countdown.CountdownSeconds = 60;
        countdown.ElapsedSeconds = elapsed;
        DesktopActivity desktop;
        if (idleMs != -1) {
            desktop.idleMilliseconds = idleMs;
        }
        desktop.inhibited = inhibited;
        desktop.fullScreen = fullScreen;
        countdown.tick(desktop);
        QCOMPARE(countdown.ElapsedSeconds, expected);
    }

    // The tick that finds a hold gone starts the count afresh, so that the full time passes after the hold; a reset
    // (input on the main window) forgets the hold.
    void testHoldEndsWithAFreshStart()
    {
        Countdown countdown;
        countdown.CountdownSeconds = 60;
        DesktopActivity desktop{3600000, true, false};
        countdown.tick(desktop);
        desktop.inhibited = false;
        countdown.tick(desktop);
        QCOMPARE(countdown.ElapsedSeconds, 0);
        countdown.tick(desktop);
        QCOMPARE(countdown.ElapsedSeconds, 1);

        desktop.fullScreen = true;
        countdown.tick(desktop);
        countdown.reset();
        desktop.fullScreen = false;
        countdown.tick(desktop);
        QCOMPARE(countdown.ElapsedSeconds, 1);
    }

    void testMayEndWithNextTick()
    {
        Countdown countdown;
        QVERIFY(countdown.mayEndWithNextTick());
        countdown.CountdownSeconds = 6;
        countdown.ElapsedSeconds = 4;
        QVERIFY(!countdown.mayEndWithNextTick());
        countdown.ElapsedSeconds = std::numeric_limits<qint32>::max();
        QVERIFY(countdown.mayEndWithNextTick());
    }

    // Besides text, minutes of no time: they would bring a showing after every second.
    void testLengthThatIsNoNumberFails()
    {
        for (const char* minutes : {"ten", "1e9", "0", "-3", "0.001"}) {
            QVERIFY_THROWS_EXCEPTION(Failure, (void)Countdown::lengthInSeconds(QString::fromLatin1(minutes)));
        }
    }
};

QTEST_GUILESS_MAIN(TestCountdown)
#include "TestCountdown.moc"
