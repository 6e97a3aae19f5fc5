// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"

#include <QDBusConnection>
#include <QTest>

using namespace DesktopTest;
using namespace std::chrono_literals;

/** The desktop's screen saver service on the session bus, as GNOME and KDE offer it. */
class FakeScreenSaverService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QList<quint32> inhibitions;
    QList<quint32> releases;

public slots:
    quint32 Inhibit(const QString& application, const QString& reason)
    {
        Q_UNUSED(application);
        Q_UNUSED(reason);
        inhibitions.append(quint32(inhibitions.size() + 40));
        return inhibitions.last();
    }
    void UnInhibit(quint32 cookie)
    {
        releases.append(cookie);
    }
};

/**
 * A showing of the real program on a desktop: it comes to the front with the focus, holds the keyboard and the
 * pointer, asks for the password where it should and only then, and keeps the desktop from blanking.
 */
class TestDesktopShowing : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

    static constexpr const char* password = "pw";

    // Settings for a showing of the example videos, each played for two seconds; the countdown, when on, runs
    // three seconds.
    static QMap<QString, QString> showingSettings(bool askPassword, bool countdownOn = false)
    {
        QMap<QString, QString> settings = ProgramRun::exampleShowing();
        settings.insert(QStringLiteral("Text3"), QStringLiteral("0.05"));
        settings.insert(QStringLiteral("StartStopState"), countdownOn ? QStringLiteral("On") : QStringLiteral("Off"));
        if (askPassword) {
            settings.insert(QStringLiteral("Password Mouse Move"), QStringLiteral("1"));
            settings.insert(QStringLiteral("Password"), QString::fromLatin1(password));
        }
        return settings;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
    }

    void cleanup()
    {
        m_x.releaseKeyboard();
        m_x.setScreenSaver(0);
    }

    // The window manager's close (a taskbar's, wmctrl -c) is input like any other: the password comes first,
    // and the countdown starts again once the showing has ended.
    void testCloseRequestIsInput()
    {
        ProgramRun run(showingSettings(true, true));
        run.start();
        Window showing = awaitWindow(m_x, run, QStringLiteral("Slideshow"), 20000);
        QVERIFY(showing != 0);

        m_x.requestClose(showing);
        QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Enter Password")) != 0);
        QVERIFY(m_x.isViewable(showing));
        enterPassword(m_x, run, QString::fromLatin1(password));

        // The countdown runs again: three seconds later the next showing starts.
        showing = awaitWindow(m_x, run, QStringLiteral("Slideshow"), 15000);
        QVERIFY(showing != 0);
        // Refused with a wrong password, the close leaves the showing on.
        m_x.requestClose(showing);
        QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Enter Password")) != 0);
        m_x.type(QStringLiteral("no"));
        m_x.key(QStringLiteral("Return"));
        const Window main = awaitMainWindow(m_x, run);
        QVERIFY(awaitFocusedMessageBox(m_x, run, main) != 0);
        m_x.key(QStringLiteral("Return"));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Enter Password")));
        QVERIFY(m_x.isViewable(showing));
        QCOMPARE(run.terminate(), 0);
    }

    // The showing comes to the front of everything, panels and docks too, and takes the focus from the program
    // the user works in; it does so again at the start of every video. It has no place in taskbars and window
    // switchers, and is not kept above other windows for good.
    void testShowingComesToTheFrontWithTheFocus()
    {
        // Videos long enough for another program to take the front in the middle of one.
        QMap<QString, QString> settings = showingSettings(false, true);
        settings.insert(QStringLiteral("Slideshow Interval"), QStringLiteral("5"));
        ProgramRun run(settings);
        run.start();
        const Window main = awaitMainWindow(m_x, run);
        QVERIFY(main != 0);
        OtherProgram other(QRect(300, 200, 500, 300));
        const Window otherWindow = other.awaitWindow(m_x);
        QVERIFY(otherWindow != 0);
        // The user works in the other program.
        m_x.clickAt(m_x.geometry(otherWindow).center());
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), otherWindow, 5000);

        const Window showing = awaitWindow(m_x, run, QStringLiteral("Slideshow"), 15000);
        QVERIFY(showing != 0);
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), showing, 5000);
        QVERIFY(m_x.isAbove(showing, otherWindow));
        QVERIFY(m_x.isAbove(showing, main));
        const QList<XClient::Window> docks = m_x.windowsOfClass(QStringLiteral("trayer"));
        QVERIFY(!docks.isEmpty());
        for (XClient::Window dock : docks) {
            if (m_x.isViewable(dock) && m_x.topLevelOf(dock) != 0) {
                QVERIFY(m_x.isAbove(showing, dock));
            }
        }
        const QStringList states = m_x.netWmState(showing);
        QVERIFY2(states.contains(QStringLiteral("_NET_WM_STATE_FULLSCREEN")), qPrintable(states.join(' ')));
        QVERIFY2(states.contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")), qPrintable(states.join(' ')));
        QVERIFY2(states.contains(QStringLiteral("_NET_WM_STATE_SKIP_PAGER")), qPrintable(states.join(' ')));
        QVERIFY2(!states.contains(QStringLiteral("_NET_WM_STATE_ABOVE")), qPrintable(states.join(' ')));

        // Another program pushes itself to the front meanwhile, once the showing has settled (it holds the
        // keyboard); the next video takes the front back.
        QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere(), 5000);
        QTest::qWait(500);
        m_x.requestActivate(otherWindow);
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), otherWindow, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), showing, 8000);
        QVERIFY(m_x.isAbove(showing, otherWindow));
        QCOMPARE(run.terminate(), 0);
    }

    // While a showing runs, the keyboard and the pointer are the program's: the window manager's shortcuts do
    // nothing behind the password. The prompt has them while it is open; none is held after the showing.
    void testShowingHoldsKeyboardAndPointer()
    {
        ProgramRun run(showingSettings(true));
        run.start();
        const Window showing = startShowing(m_x, run);
        QVERIFY(showing != 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.pointerGrabbedElsewhere(), 5000);

        // Show the desktop: the showing stays, and asks for the password.
        m_x.keys({QStringLiteral("Super_L"), QStringLiteral("d")});
        QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Enter Password")) != 0);
        QTest::qWait(300);
        QCOMPARE(m_x.rootCardinal("_NET_SHOWING_DESKTOP"), 0L);
        QVERIFY(m_x.isViewable(showing));
        QVERIFY(m_x.keyboardGrabbedElsewhere());
        QVERIFY(m_x.pointerGrabbedElsewhere());
        m_x.key(QStringLiteral("Escape"));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Enter Password")));
        // The showing takes the keys back.
        QTRY_COMPARE_WITH_TIMEOUT(m_x.focusedClient(), showing, 5000);
        QVERIFY(m_x.keyboardGrabbedElsewhere());

        // Switch to another desktop: the desktop stays.
        m_x.keys({QStringLiteral("Control_L"), QStringLiteral("Alt_L"), QStringLiteral("Right")});
        QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Enter Password")) != 0);
        QTest::qWait(300);
        QCOMPARE(m_x.rootCardinal("_NET_CURRENT_DESKTOP"), 0L);
        QVERIFY(m_x.isViewable(showing));
        // The keys typed reach the prompt.
        m_x.type(QString::fromLatin1(password));
        m_x.key(QStringLiteral("Return"));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
        QTRY_VERIFY_WITH_TIMEOUT(!m_x.keyboardGrabbedElsewhere(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_x.pointerGrabbedElsewhere(), 5000);
        QCOMPARE(run.terminate(), 0);
    }

    // The pointer moved by hand over the showing, which holds it: over the picture, and over the black around the
    // picture shown at its own size.
    void testPointerMovement_data()
    {
        QTest::addColumn<bool>("ownSize");
        QTest::addColumn<bool>("askPassword");
        QTest::addColumn<QPoint>("start");
        QTest::newRow("picture") << false << false << QPoint(400, 300);
        QTest::newRow("picture, password") << false << true << QPoint(400, 300);
        QTest::newRow("picture at its own size") << true << false << QPoint(560, 330);
        QTest::newRow("black border, password") << true << true << QPoint(100, 120);
    }

    void testPointerMovement()
    {
        QFETCH(bool, ownSize);
        QFETCH(bool, askPassword);
        QFETCH(QPoint, start);
        QMap<QString, QString> settings = showingSettings(askPassword);
        settings.insert(QStringLiteral("Option1"), ownSize ? QStringLiteral("False") : QStringLiteral("True"));
        settings.insert(QStringLiteral("Option2"), ownSize ? QStringLiteral("True") : QStringLiteral("False"));
        ProgramRun run(settings);
        run.start();
        QVERIFY(startShowing(m_x, run) != 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.pointerGrabbedElsewhere(), 5000);
        checkMovementsOver(m_x, run, start, askPassword);
        QCOMPARE(run.terminate(), 0);
    }

    // A keyboard that another program holds when the showing starts is taken as soon as it lets go.
    void testKeyboardHeldElsewhereIsTakenLater()
    {
        ProgramRun run(showingSettings(true, true));
        run.start();
        QVERIFY(awaitMainWindow(m_x, run) != 0);
        QVERIFY(m_x.grabKeyboard());
        QVERIFY(appears(m_x, run, QStringLiteral("Slideshow"), 15000));
        QTest::qWait(1000);
        m_x.releaseKeyboard();
        QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere(), 5000);
        QCOMPARE(run.terminate(), 0);
        QVERIFY(!m_x.keyboardGrabbedElsewhere());
    }

    // Dismissing the prompt or its refusal by the keyboard, with a key held as long as people hold one, ends
    // there: the key's release is no new input.
    void testKeyThatDismissesThePromptIsNoNewInput()
    {
        ProgramRun run(showingSettings(true));
        run.start();
        const Window showing = startShowing(m_x, run);
        QVERIFY(showing != 0);
        const Window main = awaitMainWindow(m_x, run);
        for (int round = 0; round < 3; ++round) {
            m_x.key(QStringLiteral("Shift_L"));
            QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Enter Password")) != 0);
            m_x.key(QStringLiteral("Escape"));
            QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Enter Password")));
            QVERIFY2(!appears(m_x, run, QStringLiteral("Enter Password"), 1000), "Escape opened the prompt again");
            QCOMPARE(m_x.focusedClient(), showing);
        }
        for (int round = 0; round < 3; ++round) {
            m_x.key(QStringLiteral("Shift_L"));
            QVERIFY(awaitFocusedWindow(m_x, run, QStringLiteral("Enter Password")) != 0);
            m_x.type(QStringLiteral("no"));
            m_x.key(QStringLiteral("Return"));
            QVERIFY(awaitFocusedMessageBox(m_x, run, main) != 0);
            m_x.key(QStringLiteral("Return"));
            QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Enter Password")));
            QTRY_VERIFY_WITH_TIMEOUT(messageBoxes(m_x, run, main).isEmpty(), 5000);
            QVERIFY2(!appears(m_x, run, QStringLiteral("Enter Password"), 1000), "Return opened the prompt again");
            QCOMPARE(m_x.focusedClient(), showing);
        }
        m_x.key(QStringLiteral("Shift_L"));
        enterPassword(m_x, run, QString::fromLatin1(password));
        QCOMPARE(run.terminate(), 0);
    }

    // The desktop's own screen saver does not go on in the middle of a showing, and goes on again after it.
    void testDesktopDoesNotBlankDuringAShowing()
    {
        FakeScreenSaverService service;
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        QVERIFY(bus.registerObject(
            QStringLiteral("/org/freedesktop/ScreenSaver"), &service, QDBusConnection::ExportAllSlots));
        ProgramRun run(showingSettings(false));
        run.start();
        m_x.setScreenSaver(2);
        const Window showing = startShowing(m_x, run);
        QVERIFY(showing != 0);
        QTRY_COMPARE_WITH_TIMEOUT(service.inhibitions.size(), 1, 5000);
        QVERIFY(service.releases.isEmpty());
        for (int second = 0; second < 5; ++second) {
            QTest::qWait(1000);
            QVERIFY2(m_x.screenSaverState() != 1, qPrintable(QStringLiteral("blanked after %1 s").arg(second + 1)));
        }
        m_x.key(QStringLiteral("Shift_L"));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
        QTRY_COMPARE_WITH_TIMEOUT(service.releases, service.inhibitions, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(m_x.screenSaverState(), 1, 6000);
        QCOMPARE(run.terminate(), 0);
        bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
    }
};

QTEST_GUILESS_MAIN(TestDesktopShowing)
#include "TestDesktopShowing.moc"
