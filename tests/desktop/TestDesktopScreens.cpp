// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"
#include "fakes/Pictures.h"

#include <QProcess>
#include <QTest>

using namespace DesktopTest;

/** A showing on a desktop of two monitors side by side, 1280x800 each, the left one the primary. */
class TestDesktopScreens : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    const QRect m_left{0, 0, 1280, 800};
    const QRect m_right{1280, 0, 1280, 800};

    static QMap<QString, QString> settings(bool askPassword)
    {
        QMap<QString, QString> values{{QStringLiteral("Videos"), ProgramRun::exampleVideos()}};
        if (askPassword) {
            values.insert(QStringLiteral("Password Mouse Move"), QStringLiteral("1"));
            values.insert(QStringLiteral("Password"), QStringLiteral("pw"));
        }
        return values;
    }

    static bool xrandr(const QStringList& arguments)
    {
        return QProcess::execute(QStringLiteral("xrandr"), arguments) == 0;
    }

    // The program's windows that cover the area exactly.
    QList<Window> windowsCovering(const ProgramRun& run, QRect area) const
    {
        QList<Window> covering;
        for (Window window : m_x.windowsOf(run.pid(), QStringLiteral("Slideshow"))) {
            if (m_x.isViewable(window) && m_x.geometry(window) == area) {
                covering.append(window);
            }
        }
        return covering;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        if (qEnvironmentVariableIntValue("LUMAVEIL_TEST_SCREENS") < 2) {
            QSKIP("needs a display with two monitors");
        }
    }

    // The video plays on the primary screen, the other is black, and a click there ends the showing.
    void testEveryScreenIsCovered()
    {
        ProgramRun run(settings(false));
        run.start();
        // Something to hide on the right monitor: a window of another program.
        OtherProgram other(QRect(1500, 200, 600, 400));
        QVERIFY(other.awaitWindow(m_x) != 0);
        QVERIFY(Pictures::litShare(m_x.grab(m_right)) > 0.1);

        QVERIFY(startShowing(m_x, run) != 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_left).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_left)) > 0.3, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_right)), 0.0, 5000);

        m_x.clickAt(m_right.center());
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
        QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_right)) > 0.1, 5000);
        QCOMPARE(run.terminate(), 0);
    }

    // Input on the other screen asks for the password as input on the video does, and the keys go on reaching
    // the showing after it.
    void testInputOnTheOtherScreenIsInputOnTheShowing()
    {
        ProgramRun run(settings(true));
        run.start();
        const Window showing = startShowing(m_x, run);
        QVERIFY(showing != 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);

        m_x.clickAt(m_right.center());
        QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Enter Password")) != 0);
        m_x.key(QStringLiteral("Escape"));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Enter Password")));
        // Back to the video, which has the focus again.
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), showing, 5000);
        m_x.key(QStringLiteral("Shift_L"));
        enterPassword(m_x, run, QStringLiteral("pw"));
        QCOMPARE(run.terminate(), 0);
    }

    // The pointer moved by hand over the picture and over the other monitor's cover.
    void testPointerMovement_data()
    {
        QTest::addColumn<bool>("askPassword");
        QTest::addColumn<QPoint>("start");
        QTest::newRow("picture") << false << QPoint(500, 300);
        QTest::newRow("cover") << false << QPoint(1700, 300);
        QTest::newRow("cover, password") << true << QPoint(1700, 300);
    }

    void testPointerMovement()
    {
        QFETCH(bool, askPassword);
        QFETCH(QPoint, start);
        ProgramRun run(settings(askPassword));
        run.start();
        QVERIFY(startShowing(m_x, run) != 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);
        checkMovementsOver(m_x, run, start, askPassword);
        QCOMPARE(run.terminate(), 0);
    }

    // A monitor switched off during a showing loses its cover; one switched on gets one.
    void testScreensComingAndGoing()
    {
        ProgramRun run(settings(false));
        run.start();
        QVERIFY(startShowing(m_x, run) != 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);

        QVERIFY(xrandr({QStringLiteral("--output"), QStringLiteral("DUMMY1"), QStringLiteral("--off")}));
        QTRY_COMPARE_WITH_TIMEOUT(m_x.windowsOf(run.pid(), QStringLiteral("Slideshow")).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_left).size(), 1, 5000);

        QVERIFY(xrandr({QStringLiteral("--output"),
                        QStringLiteral("DUMMY1"),
                        QStringLiteral("--mode"),
                        QStringLiteral("1280x800"),
                        QStringLiteral("--right-of"),
                        QStringLiteral("DUMMY0")}));
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_right).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_left).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_right)), 0.0, 5000);

        // The video's own monitor goes: the other one, which now stands at the left, shows the video, uncovered.
        QVERIFY(xrandr({QStringLiteral("--output"), QStringLiteral("DUMMY0"), QStringLiteral("--off")}));
        QTRY_COMPARE_WITH_TIMEOUT(m_x.windowsOf(run.pid(), QStringLiteral("Slideshow")).size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(windowsCovering(run, m_left).size(), 1, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_left)) > 0.3, 10000);
        QCOMPARE(run.terminate(), 0);
        QVERIFY(xrandr({QStringLiteral("--output"),
                        QStringLiteral("DUMMY0"),
                        QStringLiteral("--mode"),
                        QStringLiteral("1280x800"),
                        QStringLiteral("--pos"),
                        QStringLiteral("0x0"),
                        QStringLiteral("--primary"),
                        QStringLiteral("--output"),
                        QStringLiteral("DUMMY1"),
                        QStringLiteral("--right-of"),
                        QStringLiteral("DUMMY0")}));
    }
};

QTEST_GUILESS_MAIN(TestDesktopScreens)
#include "TestDesktopScreens.moc"
