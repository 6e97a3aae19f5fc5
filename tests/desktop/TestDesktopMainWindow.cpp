// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"
#include "fakes/FailingStorage.h"
#include "fakes/Pictures.h"

#include <QFileInfo>
#include <QTest>

using namespace DesktopTest;

/** The main window of the real program, under a window manager with a notification area. */
class TestDesktopMainWindow : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
    }

    // Minimised by the window manager, the window leaves the screen and the taskbar for the notification area,
    // and a click on the icon there brings it back whole; the right button brings its menu as well.
    void testMinimiseToTheNotificationAreaAndBack()
    {
        ProgramRun run({{QStringLiteral("Videos"), ProgramRun::exampleVideos()}});
        run.start();
        const Window window = awaitMainWindow(m_x, run);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.trayIcon() != 0, 10000);

        // Twice: the second time the notification area's balloon stays away, and the window goes all the same.
        for (int round = 0; round < 2; ++round) {
            m_x.requestMinimise(window);
            QTRY_VERIFY_WITH_TIMEOUT(!m_x.isViewable(window), 5000);
            QTRY_VERIFY_WITH_TIMEOUT(!m_x.clientsByStacking().contains(window), 5000);
            // It stays gone: nothing maps it again a moment later.
            QTest::qWait(500);
            QVERIFY(!m_x.isViewable(window));
            QVERIFY(!m_x.clientsByStacking().contains(window));

            const int button = round == 0 ? 1 : 3;
            m_x.clickAt(m_x.geometry(m_x.trayIcon()).center(), button);
            QTRY_VERIFY_WITH_TIMEOUT(m_x.isViewable(window), 5000);
            if (button == 3) {
                QTRY_COMPARE_WITH_TIMEOUT(m_x.openMenus(run.pid()).size(), 1, 5000);
                // It stays open for a choice.
                QTest::qWait(500);
                QCOMPARE(m_x.openMenus(run.pid()).size(), 1);
                m_x.key(QStringLiteral("Escape"));
                QTRY_VERIFY_WITH_TIMEOUT(m_x.openMenus(run.pid()).isEmpty(), 5000);
            }
            QTRY_COMPARE_WITH_TIMEOUT(m_x.wmState(window), 1, 5000);
            QVERIFY(m_x.clientsByStacking().contains(window));
            QVERIFY(!m_x.netWmState(window).contains(QStringLiteral("_NET_WM_STATE_HIDDEN")));
            QTRY_VERIFY_WITH_TIMEOUT(Pictures::lightShare(m_x.grab(m_x.geometry(window))) > 0.5, 5000);
        }
        QCOMPARE(run.terminate(), 0);
    }

    // A second start brings the running copy's window up, from the notification area and from behind another
    // program, and hands its commands to it; the second start itself ends at once.
    void testASecondStartReachesTheRunningCopy()
    {
        ProgramRun run({{QStringLiteral("Videos"), ProgramRun::exampleVideos()},
                        {QStringLiteral("Minimized"), QStringLiteral("On")}});
        run.start();
        QTRY_VERIFY_WITH_TIMEOUT(m_x.trayIcon() != 0, 10000);
        QVERIFY(m_x.windowsOf(run.pid(), QStringLiteral("Lumaveil")).isEmpty() ||
                !m_x.isViewable(m_x.windowsOf(run.pid(), QStringLiteral("Lumaveil")).first()));

        QCOMPARE(run.startAgain(), 0);
        const Window main = awaitMainWindow(m_x, run);
        QVERIFY(main != 0);
        QCOMPARE(m_x.windowsOf(run.pid(), QStringLiteral("Lumaveil")).size(), 1);

        OtherProgram other(m_x.geometry(main).adjusted(-20, -20, 20, 20));
        const Window otherWindow = other.awaitWindow(m_x);
        QVERIFY(otherWindow != 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), otherWindow, 5000);
        QCOMPARE(run.startAgain({QStringLiteral("--show")}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), main, 5000);
        QVERIFY(m_x.clientsByStacking().indexOf(main) > m_x.clientsByStacking().indexOf(otherWindow));

        // A showing from the command line, ended by a key as any showing is.
        QCOMPARE(run.startAgain({QStringLiteral("--test")}), 0);
        QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Slideshow"), 20000) != 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere(), 5000);
        m_x.key(QStringLiteral("space"));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow"), 10000));

        QCOMPARE(run.startAgain({QStringLiteral("--quit")}), 0);
        QVERIFY(run.process().waitForFinished(10000));
        QCOMPARE(run.process().exitCode(), 0);
    }

    // Ended by the session while a dialog stands open: the program ends cleanly, with its lists saved.
    void testEndingWhileADialogIsOpen_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("password prompt") << "prompt";
        QTest::newRow("refused password") << "refused";
        QTest::newRow("options window's message") << "options";
    }

    void testEndingWhileADialogIsOpen()
    {
        QFETCH(QString, dialog);
        const QString videos = ProgramRun::exampleVideos();
        ProgramRun run({{QStringLiteral("Videos"), videos},
                        {QStringLiteral("Password Mouse Move"), QStringLiteral("1")},
                        {QStringLiteral("Password"), QStringLiteral("pw")}});
        run.start();
        const Window main = awaitMainWindow(m_x, run);
        QVERIFY(main != 0);
        if (dialog == QLatin1String("options")) {
            const Window options = openOptionsWindow(m_x, run, main);
            QVERIFY(options != 0);
            // "?" beside the display options.
            m_x.clickAt(onWindow(m_x, options, twipsCentre(120 + 6840, 870 + 540, 840, 405)));
        } else {
            QVERIFY(startShowing(m_x, run) != 0);
            m_x.key(QStringLiteral("Shift_L"));
            QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Enter Password")) != 0);
            if (dialog == QLatin1String("refused")) {
                m_x.type(QStringLiteral("no"));
                m_x.key(QStringLiteral("Return"));
            }
        }
        if (dialog != QLatin1String("prompt")) {
            QVERIFY(awaitFocusedMessageBox(m_x, run, main) != 0);
        }

        QCOMPARE(run.terminate(), 0);
        QCOMPARE(run.setting(QStringLiteral("Videos")), videos);
    }

    // Closed by the window manager where the settings cannot be saved, the program says what is lost and waits for
    // the user; a signal ends it all the same.
    void testSignalEndsTheCloseThatWaitsForAMessage()
    {
        ProgramRun run;
        FailingStorage storage(QFileInfo(run.settingsFile()).absolutePath());
        run.start();
        const Window main = awaitMainWindow(m_x, run);
        QVERIFY(main != 0);
        if (storage.makeFolderReadOnly().isEmpty()) {
            QSKIP(qPrintable(storage.why()));
        }
        // "Turn On Screensaver": a change that cannot be saved, which a message says.
        m_x.clickAt(onWindow(m_x, main, twipsCentre(120, 480, 3840, 405)));
        QVERIFY(awaitFocusedMessageBox(m_x, run, main) != 0);
        m_x.key(QStringLiteral("Return"));
        QTRY_VERIFY_WITH_TIMEOUT(messageBoxes(m_x, run, main).isEmpty(), 5000);

        m_x.requestClose(main);
        QVERIFY(awaitFocusedMessageBox(m_x, run, main) != 0);
        QCOMPARE(run.terminate(), 0);
    }

    // An error report dismissed with the keyboard stays dismissed: the key's release is no new input to the
    // main window, which would start the failing countdown again.
    void testReportDismissedByAKeyStaysDismissed_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("Return") << "Return";
        QTest::newRow("Escape") << "Escape";
    }

    void testReportDismissedByAKeyStaysDismissed()
    {
        QFETCH(QString, key);
        ProgramRun run({{QStringLiteral("Text3"), QStringLiteral("1e9")}});
        run.start();
        const Window main = awaitMainWindow(m_x, run);
        QVERIFY(main != 0);
        // "Turn On Screensaver": the minutes do not convert, and the report says so.
        m_x.clickAt(onWindow(m_x, main, twipsCentre(120, 480, 3840, 405)));
        QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Application Error")) != 0);
        m_x.key(key);
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Application Error")));
        QVERIFY2(!appears(m_x, run, QStringLiteral("Application Error"), 2000), "the report came back");
        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopMainWindow)
#include "TestDesktopMainWindow.moc"
