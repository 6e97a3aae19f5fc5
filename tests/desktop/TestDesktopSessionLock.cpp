// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"
#include "fakes/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QTest>

#include <functional>

using namespace DesktopTest;

/**
 * The real program on an openbox desktop in a login session of logind's (elogind) that locks. There is no lock
 * screen: the lock screen is this test taking the keyboard.
 */
class TestDesktopSessionLock : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    QString m_session;
    int m_lockSignals = 0;
    std::function<void()> m_onLock;

    static void loginctl(const QString& command)
    {
        QCOMPARE(QProcess::execute(QStringLiteral("loginctl"), {command, qEnvironmentVariable("XDG_SESSION_ID")}), 0);
    }

    // What a lock screen that keeps logind's hint says.
    void setLockedHint(bool locked)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                           m_session,
                                                           QStringLiteral("org.freedesktop.login1.Session"),
                                                           QStringLiteral("SetLockedHint"));
        call << locked;
        QCOMPARE(QDBusConnection::systemBus().call(call).type(), QDBusMessage::ReplyMessage);
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

public slots:
    void sessionLocked()
    {
        ++m_lockSignals;
        if (m_onLock) {
            m_onLock();
        }
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.login1"),
                                                           QStringLiteral("/org/freedesktop/login1"),
                                                           QStringLiteral("org.freedesktop.login1.Manager"),
                                                           QStringLiteral("GetSession"));
        call << qEnvironmentVariable("XDG_SESSION_ID");
        const QDBusMessage reply = QDBusConnection::systemBus().call(call);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, "needs a login session of logind's");
        m_session = reply.arguments().constFirst().value<QDBusObjectPath>().path();
        QVERIFY(QDBusConnection::systemBus().connect(QStringLiteral("org.freedesktop.login1"),
                                                     m_session,
                                                     QStringLiteral("org.freedesktop.login1.Session"),
                                                     QStringLiteral("Lock"),
                                                     this,
                                                     SLOT(sessionLocked())));
    }

    void cleanup()
    {
        m_x.releaseKeyboard();
        m_onLock = nullptr;
        m_lockSignals = 0;
    }

    // Started while a lock screen says the session is locked, the countdown waits. The session locks during a
    // showing: it leaves the screen without asking for the password, and the lock screen can take the keyboard and
    // the pointer right after. No showing starts under the lock screen; after the unlock the countdown runs again.
    void testLockEndsTheShowingForTheLockScreen()
    {
        setLockedHint(true);
        ProgramRun run(settings(true, false));
        run.start();
        QVERIFY2(!appears(m_x, run, QStringLiteral("Slideshow"), 8000), "a showing started under the lock screen");
        setLockedHint(false);
        QVERIFY(awaitWindow(m_x, run, QStringLiteral("Slideshow"), 20000) != 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere() && m_x.pointerGrabbedElsewhere(), 5000);

        loginctl(QStringLiteral("lock-session"));
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
        QVERIFY(m_x.grabKeyboard());
        QVERIFY(!m_x.pointerGrabbedElsewhere());
        QVERIFY2(!appears(m_x, run, QStringLiteral("Slideshow"), 5000), "a showing started under the lock screen");
        QVERIFY(!appears(m_x, run, QStringLiteral("Enter Password"), 0));
        m_x.releaseKeyboard();
        loginctl(QStringLiteral("unlock-session"));
        QVERIFY(appears(m_x, run, QStringLiteral("Slideshow"), 15000));
        QCOMPARE(run.terminate(), 0);
    }

    // "Lock Session": the password ends the showing and logind is asked, once, to lock the session; by then the
    // keyboard and the pointer are free for the lock screen.
    void testLockSessionHandsOverToTheLockScreen()
    {
        ProgramRun run(settings(false, true));
        run.start();
        bool lockScreenGotTheInput = false;
        m_onLock = [this, &lockScreenGotTheInput] {
            lockScreenGotTheInput = m_x.grabKeyboard() && !m_x.pointerGrabbedElsewhere();
        };
        QVERIFY(startShowing(m_x, run) != 0);
        m_x.key(QStringLiteral("Shift_L"));
        enterPassword(m_x, run, QStringLiteral("pw"));

        QTRY_COMPARE_WITH_TIMEOUT(m_lockSignals, 1, 5000);
        QVERIFY(lockScreenGotTheInput);
        QTest::qWait(1000);
        QCOMPARE(m_lockSignals, 1);
        loginctl(QStringLiteral("unlock-session"));
        QCOMPARE(run.terminate(), 0);
    }

    // Without logind, "Lock Session" cannot lock: as the password ends the showing, a message in front, with the
    // focus, says that the desktop is not locked.
    void testFailedLockIsTold()
    {
        PrivateBus bus;
        QVERIFY2(bus.isRunning(), "needs dbus-daemon");
        ProgramRun run(settings(false, true));
        run.start({{QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address()},
                   {QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), bus.address()}});
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
