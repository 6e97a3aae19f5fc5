// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/IdleRun.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QTest>

using namespace DesktopTest;
using namespace IdleRun;

/**
 * The real program on a KDE desktop that locks itself after a minute without input: ksmserver's screen locker with
 * Timeout=1 in kscreenlockerrc, in a login session of elogind's. A showing holds off the locker's idle action, and so
 * hands over to the session's lock itself, a minute after the last input. The locker refuses to lock while another
 * program holds the keyboard or the pointer.
 */
class TestDesktopIdleLock : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    int m_lockSignals = 0;

    static QDBusMessage lockerCall(const QString& service, const QString& method)
    {
        return QDBusConnection::sessionBus().call(
            QDBusMessage::createMethodCall(service, QStringLiteral("/ScreenSaver"), service, method));
    }

    static bool locked()
    {
        const QDBusMessage reply =
            lockerCall(QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("GetActive"));
        return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
    }

public slots:
    void lockSignalled()
    {
        ++m_lockSignals;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        QVERIFY2(QDBusConnection::systemBus().connect(QString(),
                                                      QString(),
                                                      QStringLiteral("org.freedesktop.login1.Session"),
                                                      QStringLiteral("Lock"),
                                                      this,
                                                      SLOT(lockSignalled())),
                 "needs logind");
    }

    // The countdown of six seconds starts the showing; 54 seconds later, a minute after the last input, the showing
    // ends and the session is locked, once, also with "Lock the session when a showing ends" on.
    void testShowingHandsOverToKdesLock()
    {
        ProgramRun run(settings(true, {{QStringLiteral("Lock Session"), QStringLiteral("1")}}));
        // Where the locker reads its settings and where the program does; the locker reads them again.
        for (const QString& folder : {qEnvironmentVariable("XDG_CONFIG_HOME"),
                                      QFileInfo(run.settingsFile()).absolutePath() + QLatin1String("/..")}) {
            QFile lockerSettings(folder + QLatin1String("/kscreenlockerrc"));
            QVERIFY(QDir().mkpath(folder) && lockerSettings.open(QIODevice::WriteOnly));
            lockerSettings.write("[Daemon]\nTimeout=1\n");
        }
        QCOMPARE(lockerCall(QStringLiteral("org.kde.screensaver"), QStringLiteral("configure")).type(),
                 QDBusMessage::ReplyMessage);

        m_x.movePointer(QPoint(600, 400));
        QElapsedTimer sinceInput;
        sinceInput.start();
        run.start();
        QVERIFY(msUntilShowing(m_x, run, sinceInput, 20000) >= 0);
        QVERIFY(!locked());
        QVERIFY(QTest::qWaitFor([&] { return !showing(m_x, run); }, 80000));
        const qint64 ended = sinceInput.elapsed();
        QVERIFY2(ended >= 59000 && ended < 64000, qPrintable(QString::number(ended)));
        // The locker, busy beside a loaded machine, may take a few seconds more.
        QTRY_VERIFY_WITH_TIMEOUT(locked(), 10000);
        QTest::qWait(1000);
        QCOMPARE(m_lockSignals, 1);
        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopIdleLock)
#include "TestDesktopIdleLock.moc"
