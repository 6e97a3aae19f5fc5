// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/IdleRun.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QStandardPaths>
#include <QTest>

using namespace DesktopTest;
using namespace IdleRun;

namespace {

// KDE's screen locker: whether the session is locked.
bool locked()
{
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                                                          QStringLiteral("/ScreenSaver"),
                                                                          QStringLiteral("org.freedesktop.ScreenSaver"),
                                                                          QStringLiteral("GetActive")));
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

} // namespace

/**
 * The real program on a desktop that locks itself after a minute without input: KDE's screen locker in ksmserver,
 * with Timeout=1 in kscreenlockerrc. A showing holds off the locker's idle action, and so hands over to its lock
 * itself, a minute after the last input.
 */
class TestDesktopIdleLock : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    QProcess m_locker;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        if (QStandardPaths::findExecutable(QStringLiteral("ksmserver")).isEmpty()) {
            QSKIP("needs KDE's ksmserver (plasma-workspace)");
        }
    }

    void cleanup()
    {
        if (m_locker.state() != QProcess::NotRunning) {
            m_locker.terminate();
            m_locker.waitForFinished(10000);
        }
    }

    // The countdown of six seconds starts the showing; 54 seconds later, a minute after the last input, the showing
    // ends and the session is locked.
    void testShowingHandsOverToKdesLock()
    {
        ProgramRun run(settings(true));
        const QString config = QFileInfo(run.settingsFile()).absoluteDir().absoluteFilePath(QStringLiteral(".."));
        QFile lockerSettings(config + QLatin1String("/kscreenlockerrc"));
        QVERIFY(lockerSettings.open(QIODevice::WriteOnly));
        lockerSettings.write("[Daemon]\nTimeout=1\n");
        lockerSettings.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        m_locker.setProcessEnvironment(environment);
        m_locker.setStandardOutputFile(QProcess::nullDevice());
        m_locker.setStandardErrorFile(QProcess::nullDevice());
        m_locker.start(QStringLiteral("ksmserver"), QStringList());
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(QStringLiteral("org.kde.screensaver")), 10000);

        m_x.movePointer(QPoint(600, 400));
        QElapsedTimer sinceInput;
        sinceInput.start();
        QVERIFY(startCounting(m_x, run));
        QVERIFY(msUntilShowing(m_x, run, sinceInput) >= 0);
        QVERIFY(!locked());
        QVERIFY(QTest::qWaitFor([&] { return !showing(m_x, run); }, 80000));
        const qint64 ended = sinceInput.elapsed();
        QVERIFY2(ended >= 59000 && ended < 64000, qPrintable(QString::number(ended)));
        QTRY_VERIFY_WITH_TIMEOUT(locked(), 5000);

        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopIdleLock)
#include "TestDesktopIdleLock.moc"
