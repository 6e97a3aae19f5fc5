// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/SessionWatcher.h"
#include "fakes/FakeSessionServices.h"
#include "fakes/PrivateBus.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class TestSessionWatcher : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PrivateBus> m_bus;
    std::unique_ptr<FakeSessionServices> m_services;
    std::unique_ptr<SessionWatcher> m_watcher;

    // A watcher that has found its session and hears its signals.
    SessionWatcher& watcher()
    {
        const DesktopBuses buses = m_bus->buses();
        m_watcher = std::make_unique<SessionWatcher>(buses);
        [&] { QTRY_COMPARE(m_watcher->sessionPath(), FakeSessionServices::sessionPath()); }();
        PrivateBus::sync(buses.system());
        return *m_watcher;
    }

    // Signals travel through the bus: a short wait shows that one did nothing.
    static void settle()
    {
        QTest::qWait(200);
    }

private slots:
    void init()
    {
        qunsetenv("XDG_SESSION_ID");
        m_bus = std::make_unique<PrivateBus>();
        QVERIFY2(m_bus->isRunning(), "needs dbus-daemon");
        m_services = std::make_unique<FakeSessionServices>(*m_bus);
        QVERIFY(m_services->isRegistered());
    }

    void cleanup()
    {
        m_watcher.reset();
        m_services.reset();
        m_bus.reset();
    }

    // By the process, else by XDG_SESSION_ID, else as logind's "auto"; another session's lock is not this one's.
    void testFollowsItsOwnSession_data()
    {
        QTest::addColumn<bool>("knowsProcesses");
        QTest::addColumn<QByteArray>("environment");
        QTest::newRow("by process") << true << QByteArray();
        QTest::newRow("by XDG_SESSION_ID") << false << QByteArray("c7");
        QTest::newRow("by logind's choice") << false << QByteArray();
        QTest::newRow("XDG_SESSION_ID of no session") << false << QByteArray("c99");
    }

    void testFollowsItsOwnSession()
    {
        QFETCH(bool, knowsProcesses);
        QFETCH(QByteArray, environment);
        m_services->knowsProcesses = knowsProcesses;
        if (!environment.isEmpty()) {
            qputenv("XDG_SESSION_ID", environment);
        }
        SessionWatcher& session = watcher();
        QCOMPARE(m_services->askedPids, QList<uint>({static_cast<uint>(QCoreApplication::applicationPid())}));
        QSignalSpy away(&session, &SessionWatcher::awayChanged);
        m_services->lockOtherSession();
        settle();
        QVERIFY(away.isEmpty());
        m_services->lock();
        QTRY_COMPARE(away.size(), 1);
        QVERIFY(session.isAway());
    }

    // Lock screens tell their coming and going in different ways, not always the same way both times: any sign of
    // the end of the lock ends it, and a lock told twice is one lock.
    void testLockAndUnlockFromEachSource_data()
    {
        QTest::addColumn<QString>("locker");
        QTest::addColumn<QString>("unlocker");
        QTest::newRow("logind") << "logind"
                                << "logind";
        QTest::newRow("screen saver service") << "screen saver"
                                              << "screen saver";
        QTest::newRow("locked hint") << "hint"
                                     << "hint";
        QTest::newRow("logind, then the screen saver service") << "logind"
                                                               << "screen saver";
        QTest::newRow("logind, then the locked hint") << "logind"
                                                      << "hint";
    }

    void testLockAndUnlockFromEachSource()
    {
        QFETCH(QString, locker);
        QFETCH(QString, unlocker);
        SessionWatcher& session = watcher();
        QSignalSpy away(&session, &SessionWatcher::awayChanged);
        const auto tell = [this](const QString& source, bool locked) {
            if (source == QLatin1String("logind")) {
                locked ? m_services->lock() : m_services->unlock();
            } else if (source == QLatin1String("screen saver")) {
                m_services->setScreenSaverActive(locked);
            } else {
                m_services->setLockedHint(locked);
            }
        };
        tell(locker, true);
        tell(locker == QLatin1String("hint") ? QStringLiteral("logind") : QStringLiteral("hint"), true);
        QTRY_VERIFY(session.isAway());
        tell(unlocker, false);
        QTRY_VERIFY(!session.isAway());
        settle();
        QCOMPARE(away.size(), 2);
    }

    // Asleep is away too; a session locked before the sleep stays away after it, until the unlock.
    void testSleep()
    {
        SessionWatcher& session = watcher();
        m_services->prepareForSleep(true);
        QTRY_VERIFY(session.isAway());
        m_services->prepareForSleep(false);
        QTRY_VERIFY(!session.isAway());
        m_services->lock();
        m_services->prepareForSleep(true);
        m_services->prepareForSleep(false);
        settle();
        QVERIFY(session.isAway());
        m_services->unlock();
        QTRY_VERIFY(!session.isAway());
    }

    // The lock goes to "auto", logind's name for the caller's session, until the session's own object is known.
    void testLockRequest()
    {
        const DesktopBuses buses = m_bus->buses();
        m_watcher = std::make_unique<SessionWatcher>(buses);
        m_watcher->lockSession();
        QTRY_COMPARE(m_services->lockCalls, QStringList({QStringLiteral("/org/freedesktop/login1/session/auto")}));
        QTRY_COMPARE(m_watcher->sessionPath(), FakeSessionServices::sessionPath());
        PrivateBus::sync(buses.system());
        m_watcher->lockSession();
        QTRY_COMPARE(m_services->lockCalls.size(), 2);
        QCOMPARE(m_services->lockCalls.at(1), FakeSessionServices::sessionPath());
        QTRY_VERIFY(m_watcher->isAway());
    }

    // Without logind, or without any bus, the session cannot be locked: that is known, with a reason, and a lock
    // request fails, told once however often it is asked for.
    void testWithoutLogindOrBus_data()
    {
        QTest::addColumn<bool>("bus");
        QTest::addColumn<QString>("reason");
        QTest::newRow("bus without logind") << true << "logind does not answer on the system bus";
        QTest::newRow("no bus") << false << "there is no system bus";
    }

    void testWithoutLogindOrBus()
    {
        QFETCH(bool, bus);
        QFETCH(QString, reason);
        m_services.reset();
        const QDBusConnection none(QStringLiteral("no such bus"));
        SessionWatcher session(bus ? m_bus->buses() : DesktopBuses{[none] { return none; }, [none] { return none; }});
        QSignalSpy failed(&session, &SessionWatcher::lockFailed);
        QTRY_VERIFY(!session.canLock());
        QCOMPARE(session.whyNoLock(), reason);
        QTest::ignoreMessage(QtWarningMsg, qPrintable(QStringLiteral("The session was not locked: ") + reason));
        session.lockSession();
        QVERIFY(failed.isEmpty());
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(), reason);
        session.lockSession();
        settle();
        QCOMPARE(failed.size(), 1);
        QVERIFY(session.sessionPath().isEmpty());
        QVERIFY(!session.isAway());
    }

    // logind answers, so the session can be locked; a refusal is told in logind's words, once until a lock works.
    void testRefusedLock()
    {
        SessionWatcher& session = watcher();
        QSignalSpy failed(&session, &SessionWatcher::lockFailed);
        QVERIFY(session.canLock());
        QVERIFY(session.whyNoLock().isEmpty());
        m_services->refuseLock = true;
        QTest::ignoreMessage(QtWarningMsg, "The session was not locked: Access denied");
        session.lockSession();
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.first().first().toString(), QStringLiteral("Access denied"));
        session.lockSession();
        QTRY_COMPARE(m_services->lockCalls.size(), 2);
        settle();
        QCOMPARE(failed.size(), 1);
        QVERIFY(session.canLock());

        m_services->refuseLock = false;
        session.lockSession();
        QTRY_VERIFY(session.isAway());
        m_services->refuseLock = true;
        QTest::ignoreMessage(QtWarningMsg, "The session was not locked: Access denied");
        session.lockSession();
        QTRY_COMPARE(failed.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSessionWatcher)
#include "TestSessionWatcher.moc"
