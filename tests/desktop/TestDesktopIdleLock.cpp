// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/IdleRun.h"
#include "fakes/FakeSessionServices.h"
#include "fakes/PrivateBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QStandardPaths>
#include <QTest>

#include <memory>

using namespace DesktopTest;
using namespace IdleRun;

namespace {

QDBusMessage screenSaverCall(const QString& method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                          QStringLiteral("/ScreenSaver"),
                                          QStringLiteral("org.freedesktop.ScreenSaver"),
                                          method);
}

// KDE's screen locker: whether the session is locked.
bool locked()
{
    const QDBusMessage reply = QDBusConnection::sessionBus().call(screenSaverCall(QStringLiteral("GetActive")));
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

} // namespace

/**
 * The real program on a desktop that locks itself after a minute without input: KDE's screen locker in ksmserver,
 * with Timeout=1 in kscreenlockerrc. A showing holds off the locker's idle action, and so hands over to its lock
 * itself, a minute after the last input. logind is a stand-in on a bus of the test's own, which passes the lock
 * request on to ksmserver as logind's Lock signal does; the locker refuses to lock while another program holds the
 * keyboard or the pointer.
 */
class TestDesktopIdleLock : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    QProcess m_locker;
    std::unique_ptr<PrivateBus> m_systemBus;
    std::unique_ptr<FakeSessionServices> m_logind;

    void startLocker(const QString& configFolder)
    {
        QFile settings(configFolder + QLatin1String("/kscreenlockerrc"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[Daemon]\nTimeout=1\n");
        settings.close();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
        m_locker.setProcessEnvironment(environment);
        m_locker.setStandardOutputFile(QProcess::nullDevice());
        m_locker.setStandardErrorFile(QProcess::nullDevice());
        m_locker.start(QStringLiteral("ksmserver"), QStringList());
        QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
        QTRY_VERIFY_WITH_TIMEOUT(bus->isServiceRegistered(QStringLiteral("org.kde.screensaver")), 10000);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        if (QStandardPaths::findExecutable(QStringLiteral("ksmserver")).isEmpty()) {
            QSKIP("needs KDE's ksmserver (plasma-workspace)");
        }
    }

    void init()
    {
        m_systemBus = std::make_unique<PrivateBus>();
        QVERIFY2(m_systemBus->isRunning(), "needs dbus-daemon");
        m_logind = std::make_unique<FakeSessionServices>(*m_systemBus);
        QVERIFY(m_logind->isRegistered());
        m_logind->onLockCalled = [] {
            QDBusConnection::sessionBus().asyncCall(screenSaverCall(QStringLiteral("Lock")));
        };
    }

    void cleanup()
    {
        if (m_locker.state() != QProcess::NotRunning) {
            m_locker.terminate();
            m_locker.waitForFinished(10000);
        }
        m_logind.reset();
        m_systemBus.reset();
    }

    // The countdown of six seconds starts the showing; 54 seconds later, a minute after the last input, the showing
    // ends and the session is locked, once, also with "Lock the session when a showing ends" on.
    void testShowingHandsOverToKdesLock()
    {
        ProgramRun run(settings(true, {{QStringLiteral("Lock Session"), QStringLiteral("1")}}));
        startLocker(QFileInfo(run.settingsFile()).absoluteDir().absoluteFilePath(QStringLiteral("..")));

        m_x.movePointer(QPoint(600, 400));
        QElapsedTimer sinceInput;
        sinceInput.start();
        run.start({{QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_systemBus->address()}});
        QVERIFY(msUntilShowing(m_x, run, sinceInput, 20000) >= 0);
        QVERIFY(!locked());
        QVERIFY(QTest::qWaitFor([&] { return !showing(m_x, run); }, 80000));
        const qint64 ended = sinceInput.elapsed();
        QVERIFY2(ended >= 59000 && ended < 64000, qPrintable(QString::number(ended)));
        QTRY_VERIFY_WITH_TIMEOUT(locked(), 5000);
        QTest::qWait(1000);
        QCOMPARE(m_logind->lockCalls.size(), 1);
        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopIdleLock)
#include "TestDesktopIdleLock.moc"
