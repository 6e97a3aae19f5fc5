// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using namespace DesktopTest;

/**
 * The real program on a desktop with xscreensaver, its D-Bus helper and logind (elogind). xscreensaver runs as root
 * here, where it blanks but does not lock; what it does is read from its log.
 */
class TestDesktopXscreensaver : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

    static QByteArray log(qint64 from = 0)
    {
        QFile file(qEnvironmentVariable("LUMAVEIL_TEST_XSCREENSAVER_LOG"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().mid(from) : QByteArray();
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        QVERIFY2(!log().isEmpty(), "needs xscreensaver");
    }

    // A showing holds off xscreensaver's blanking and lets it go at its end. A lock asked during a password-protected
    // showing ends it without the password, and xscreensaver then takes the screen: through logind, and straight
    // from xscreensaver-command, which xscreensaver answers as root by refusing the lock, so that the blanking
    // follows the lock asked again of logind.
    void testShowingMakesWayForTheLock_data()
    {
        QTest::addColumn<QStringList>("lock");
        QTest::newRow("logind") << QStringList{"loginctl", "lock-session", qEnvironmentVariable("XDG_SESSION_ID")};
        QTest::newRow("xscreensaver-command") << QStringList{"xscreensaver-command", "-lock"};
    }

    void testShowingMakesWayForTheLock()
    {
        QFETCH(QStringList, lock);
        ProgramRun run({{QStringLiteral("Videos"), ProgramRun::exampleVideos()},
                        {QStringLiteral("Password Mouse Move"), QStringLiteral("1")},
                        {QStringLiteral("Password"), QStringLiteral("pw")}});
        run.start();
        QVERIFY(startShowing(m_x, run) != 0);
        const qint64 before = log().size();
        QTRY_VERIFY_WITH_TIMEOUT(log().contains("inhibited by \"Lumaveil\""), 5000);

        // xscreensaver-command tells a refused lock by its exit status.
        QVERIFY(QProcess::execute(lock.takeFirst(), lock) >= 0);
        QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
        QVERIFY(!appears(m_x, run, QStringLiteral("Enter Password"), 0));
        QTRY_VERIFY_WITH_TIMEOUT(log(before).contains("uninhibited by \"Lumaveil\""), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(log(before).contains("blanking"), 5000);
        QVERIFY2(!log(before).contains("unable to grab"), log(before).constData());
        QCOMPARE(run.terminate(), 0);
        // Back to an open session for the next row: xscreensaver-systemd ends the blanking.
        QCOMPARE(QProcess::execute(QStringLiteral("loginctl"),
                                   {QStringLiteral("unlock-session"), qEnvironmentVariable("XDG_SESSION_ID")}),
                 0);
        QTRY_VERIFY_WITH_TIMEOUT(log(before).contains("unfading done"), 10000);
    }
};

QTEST_GUILESS_MAIN(TestDesktopXscreensaver)
#include "TestDesktopXscreensaver.moc"
