// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/Countdown.h"
#include "platform/Failure.h"

#include <QTest>

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
        QTest::newRow("zero") << "0" << 1 << "";
        QTest::newRow("negative") << "-3" << 1 << "";
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

    void testLengthThatIsNoNumberFails()
    {
        QVERIFY_THROWS_EXCEPTION(Failure, (void)Countdown::lengthInSeconds(QStringLiteral("ten")));
        QVERIFY_THROWS_EXCEPTION(Failure, (void)Countdown::lengthInSeconds(QStringLiteral("1e9")));
    }
};

QTEST_GUILESS_MAIN(TestCountdown)
#include "TestCountdown.moc"
