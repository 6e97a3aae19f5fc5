// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/IdleRun.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTest>

using namespace DesktopTest;
using namespace IdleRun;

/** GNOME's session manager on the test desktop's session bus, with what a video player inhibited. */
class InhibitingSessionManager : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")

public:
    uint inhibited = 0;

public slots:
    bool IsInhibited(uint flags)
    {
        return (inhibited & flags) != 0;
    }
};

/**
 * The real program counting the whole desktop's inactivity while other programs hold the desktop's idle action
 * off: a video player that resets the X server's screen saver, a full-screen window, an inhibition that the
 * session manager keeps. No showing starts while they do, and the full time passes after they stop.
 */
class TestDesktopIdleHolds : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
    }

    // As video players do while they play: "xset s reset" resets the server's screen saver every moment.
    void testScreenSaverResetsHoldTheShowingBack()
    {
        ProgramRun run(settings(true));
        QVERIFY(startCounting(m_x, run));
        QElapsedTimer lastReset;
        QVERIFY2(busyWithoutShowing(
                     m_x,
                     run,
                     countdownMs + 4000,
                     lastReset,
                     [] {
                         QProcess::execute(QStringLiteral("xset"), {QStringLiteral("s"), QStringLiteral("reset")});
                     }),
                 "a showing came while the screen saver was being reset");
        QVERIFY(m_x.idleSeconds() < 2);
        const qint64 afterReset = msUntilShowing(m_x, run, lastReset);
        QVERIFY2(onTime(afterReset), qPrintable(QString::number(afterReset)));
        QCOMPARE(run.terminate(), 0);
    }

    void testFullScreenWindowOfAnotherProgram_data()
    {
        QTest::addColumn<QString>("respectFullScreen");
        QTest::newRow("respected") << "1";
        QTest::newRow("not respected") << "0";
    }

    // No showing starts over another program's full-screen window, unless the user said it may; the full time after
    // the window leaves full screen, it does.
    void testFullScreenWindowOfAnotherProgram()
    {
        QFETCH(QString, respectFullScreen);
        OtherProgram other(QRect(300, 200, 400, 200));
        const Window window = other.awaitWindow(m_x);
        QVERIFY(window != 0);
        const QString id = QString::number(window);
        const auto fullScreen = [&id](const char* change) {
            return QProcess::execute(QStringLiteral("wmctrl"),
                                     {QStringLiteral("-i"),
                                      QStringLiteral("-r"),
                                      id,
                                      QStringLiteral("-b"),
                                      QString::fromLatin1(change) + QStringLiteral(",fullscreen")});
        };
        QCOMPARE(fullScreen("add"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.netWmState(window).contains(QStringLiteral("_NET_WM_STATE_FULLSCREEN")), 5000);

        ProgramRun run(settings(true, {{QStringLiteral("Respect Full Screen"), respectFullScreen}}));
        QElapsedTimer clock;
        clock.start();
        QVERIFY(startCounting(m_x, run));
        if (respectFullScreen == QLatin1String("0")) {
            const qint64 fromStart = msUntilShowing(m_x, run, clock);
            // A one-second timer may fire a little early, up to a twentieth of its interval.
            QVERIFY2(fromStart >= countdownMs * 19 / 20 && fromStart <= countdownMs + 5000,
                     qPrintable(QString::number(fromStart)));
            QCOMPARE(run.terminate(), 0);
            return;
        }
        QVERIFY2(!QTest::qWaitFor([&] { return showing(m_x, run); }, int(countdownMs) + 4000),
                 "a showing came over the full-screen window");
        QCOMPARE(fullScreen("remove"), 0);
        QTRY_VERIFY_WITH_TIMEOUT(!m_x.netWmState(window).contains(QStringLiteral("_NET_WM_STATE_FULLSCREEN")), 5000);
        QElapsedTimer left;
        left.start();
        const qint64 afterLeaving = msUntilShowing(m_x, run, left);
        QVERIFY2(onTime(afterLeaving), qPrintable(QString::number(afterLeaving)));
        QCOMPARE(run.terminate(), 0);
    }

    // A program that inhibits the idle action through the session manager holds the showing back as long as it
    // does; once it lets go, the count starts from nothing.
    void testSessionInhibitionHoldsTheShowingBack()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        QVERIFY2(bus.isConnected(), "needs the test desktop's session bus");
        InhibitingSessionManager manager;
        manager.inhibited = 8;
        QVERIFY(
            bus.registerObject(QStringLiteral("/org/gnome/SessionManager"), &manager, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(QStringLiteral("org.gnome.SessionManager")));

        ProgramRun run(settings(true));
        QVERIFY(startCounting(m_x, run));
        QVERIFY2(!QTest::qWaitFor([&] { return showing(m_x, run); }, int(countdownMs) + 4000),
                 "a showing came while the idle action was inhibited");
        // The player ends its inhibition, and the session manager tells of it.
        manager.inhibited = 0;
        QVERIFY(
            bus.send(QDBusMessage::createSignal(QStringLiteral("/org/gnome/SessionManager"),
                                                QStringLiteral("org.gnome.SessionManager"),
                                                QStringLiteral("InhibitorRemoved"))
                     << QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/gnome/SessionManager/Inhibitor1")))));
        QElapsedTimer released;
        released.start();
        const qint64 afterRelease = msUntilShowing(m_x, run, released);
        QVERIFY2(onTime(afterRelease), qPrintable(QString::number(afterRelease)));
        QCOMPARE(run.terminate(), 0);
        bus.unregisterService(QStringLiteral("org.gnome.SessionManager"));
        bus.unregisterObject(QStringLiteral("/org/gnome/SessionManager"));
    }
};

QTEST_MAIN(TestDesktopIdleHolds)
#include "TestDesktopIdleHolds.moc"
