// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

using namespace DesktopTest;

/**
 * The real program on KDE Plasma's X11 desktop: kwin, ksmserver with its screen locker, PowerDevil, and logind
 * (elogind) with the login session that the program runs in. Whoever asks for the lock, the desktop locks; no
 * showing plays under the lock screen.
 */
class TestDesktopKdeLock : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

    static QDBusMessage askScreenSaver(const QString& method, const QVariantList& arguments = {})
    {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                                           QStringLiteral("/ScreenSaver"),
                                                           QStringLiteral("org.freedesktop.ScreenSaver"),
                                                           method);
        call.setArguments(arguments);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    }

    static bool locked()
    {
        const QDBusMessage reply = askScreenSaver(QStringLiteral("GetActive"));
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    }

    static void loginctl(const QString& command)
    {
        QCOMPARE(QProcess::execute(QStringLiteral("loginctl"), {command, qEnvironmentVariable("XDG_SESSION_ID")}), 0);
    }

    static QMap<QString, QString> settings()
    {
        return {{QStringLiteral("Videos"), ProgramRun::exampleVideos()},
                {QStringLiteral("Text3"), QStringLiteral("0.05")},
                {QStringLiteral("StartStopState"), QStringLiteral("On")},
                {QStringLiteral("Password Mouse Move"), QStringLiteral("1")},
                {QStringLiteral("Password"), QStringLiteral("pw")}};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        QVERIFY2(!qEnvironmentVariableIsEmpty("XDG_SESSION_ID"), "needs a login session");
        QVERIFY2(askScreenSaver(QStringLiteral("GetActive")).type() == QDBusMessage::ReplyMessage,
                 "needs KDE's screen locker");
    }

    // Started under the lock screen, the countdown waits for the unlock. During a password-protected showing, each
    // of KDE's ways of asking for the lock locks the session within moments, and the showing ends without the
    // password.
    void testTheLockAlwaysWins()
    {
        loginctl(QStringLiteral("lock-session"));
        QTRY_VERIFY_WITH_TIMEOUT(locked(), 5000);
        ProgramRun run(settings());
        run.start();
        QVERIFY2(!appears(m_x, run, QStringLiteral("Slideshow"), 8000), "a showing started under the lock screen");
        loginctl(QStringLiteral("unlock-session"));
        QTRY_VERIFY_WITH_TIMEOUT(!locked(), 5000);

        for (const QString& route : {QStringLiteral("Lock"), QStringLiteral("SetActive")}) {
            QVERIFY2(appears(m_x, run, QStringLiteral("Slideshow"), 20000), qPrintable(route));
            QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere() && m_x.pointerGrabbedElsewhere(), 5000);
            QElapsedTimer clock;
            clock.start();
            if (route == QLatin1String("Lock")) {
                askScreenSaver(route);
            } else {
                askScreenSaver(route, {true});
            }
            QTRY_VERIFY2_WITH_TIMEOUT(locked(), qPrintable(route + QLatin1String(" did not lock")), 3000);
            qInfo("%s locked the desktop after %lld ms", qPrintable(route), clock.elapsed());
            QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
            QVERIFY(!appears(m_x, run, QStringLiteral("Enter Password"), 0));
            loginctl(QStringLiteral("unlock-session"));
            QTRY_VERIFY_WITH_TIMEOUT(!locked(), 5000);
        }
        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopKdeLock)
#include "TestDesktopKdeLock.moc"
