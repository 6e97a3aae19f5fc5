// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"
#include "fakes/FakeSessionServices.h"
#include "fakes/PrivateBus.h"

#include <QTest>

#include <memory>

using namespace DesktopTest;

/**
 * The real program on a desktop whose session locks. logind is a stand-in on a bus of the test's own, which the
 * program takes for its session bus and its system bus; the lock screen is this test taking the keyboard.
 */
class TestDesktopSessionLock : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    std::unique_ptr<PrivateBus> m_bus;
    std::unique_ptr<FakeSessionServices> m_logind;

    // Starts a showing of the example videos, with the password asked, on the test's bus; the countdown, when on,
    // runs three seconds.
    void start(ProgramRun& run)
    {
        run.start({{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus->address()},
                   {QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_bus->address()}});
        QTRY_COMPARE_WITH_TIMEOUT(m_logind->askedPids, QList<uint>({static_cast<uint>(run.pid())}), 10000);
    }

    static QMap<QString, QString> settings(bool countdownOn, bool lockSession)
    {
        return {{QStringLiteral("Videos"), ProgramRun::exampleVideos()},
                {QStringLiteral("Text3"), QStringLiteral("0.05")},
                {QStringLiteral("StartStopState"), countdownOn ? QStringLiteral("On") : QStringLiteral("Off")},
                {QStringLiteral("Password Mouse Move"), QStringLiteral("1")},
                {QStringLiteral("Password"), QStringLiteral("pw")},
                {QStringLiteral("Lock Session"), lockSession ? QStringLiteral("1") : QStringLiteral("0")}};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
    }

    void init()
    {
        m_bus = std::make_unique<PrivateBus>();
        QVERIFY2(m_bus->isRunning(), "needs dbus-daemon");
        m_logind = std::make_unique<FakeSessionServices>(*m_bus);
        QVERIFY(m_logind->isRegistered());
    }

    void cleanup()
    {
        m_x.releaseKeyboard();
        m_logind.reset();
        m_bus.reset();
    }

    // The session locks during a showing: it leaves the screen without asking for the password, and the lock screen
    // can take the keyboard and the pointer right after. No showing starts under the lock screen; after the unlock
    // the countdown runs again.
    void testLockEndsTheShowingForTheLockScreen()
    {
        ProgramRun run(settings(true, false));
        start(run);
        QVERIFY(awaitWindow(m_x, run, QStringLiteral("Slideshow"), 20000) != 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere() && m_x.pointerGrabbedElsewhere(), 5000);

        m_logind->lock();
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
        QVERIFY(m_x.grabKeyboard());
        QVERIFY(!m_x.pointerGrabbedElsewhere());
        QVERIFY2(!appears(m_x, run, QStringLiteral("Slideshow"), 5000), "a showing started under the lock screen");
        QVERIFY(!appears(m_x, run, QStringLiteral("Enter Password"), 0));
        m_x.releaseKeyboard();
        m_logind->unlock();
        QVERIFY(appears(m_x, run, QStringLiteral("Slideshow"), 15000));
        QCOMPARE(run.terminate(), 0);
    }

    // "Lock Session": the password ends the showing and logind is asked, once, to lock the session; by then the
    // keyboard and the pointer are free for the lock screen.
    void testLockSessionHandsOverToTheLockScreen()
    {
        ProgramRun run(settings(false, true));
        start(run);
        bool lockScreenGotTheInput = false;
        m_logind->onLockCalled = [this, &lockScreenGotTheInput] {
            lockScreenGotTheInput = m_x.grabKeyboard() && !m_x.pointerGrabbedElsewhere();
        };
        QVERIFY(startShowing(m_x, run) != 0);
        m_x.key(QStringLiteral("Shift_L"));
        enterPassword(m_x, run, QStringLiteral("pw"));

        QTRY_COMPARE_WITH_TIMEOUT(m_logind->lockCalls.size(), 1, 5000);
        QCOMPARE(m_logind->lockCalls.first(), FakeSessionServices::sessionPath());
        QVERIFY(lockScreenGotTheInput);
        QTest::qWait(1000);
        QCOMPARE(m_logind->lockCalls.size(), 1);
        QCOMPARE(run.terminate(), 0);
    }

    // Without logind, "Lock Session" cannot lock: as the password ends the showing, a message in front, with the
    // focus, says that the desktop is not locked.
    void testFailedLockIsTold()
    {
        m_logind.reset();
        ProgramRun run(settings(false, true));
        run.start({{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_bus->address()},
                   {QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_bus->address()}});
        const Window main = awaitMainWindow(m_x, run);
        QVERIFY(startShowing(m_x, run) != 0);
        m_x.key(QStringLiteral("Shift_L"));
        enterPassword(m_x, run, QStringLiteral("pw"));
        QVERIFY(awaitFocusedMessageBox(m_x, run, main) != 0);
        m_x.key(QStringLiteral("Return"));
        QTRY_VERIFY(messageBoxes(m_x, run, main).isEmpty());
        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopSessionLock)
#include "TestDesktopSessionLock.moc"
