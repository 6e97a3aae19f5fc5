// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QTest>

using namespace DesktopTest;

/**
 * The real program on a desktop where nothing owns the screen saver service's name (openbox): another program that
 * takes the name during a password-protected showing cannot end the showing by posing as the desktop's locker.
 */
class TestDesktopLockTrust : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

    static bool
    emitAs(const QString& path, const QString& interface, const QString& name, const QVariantList& arguments)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
        signal.setArguments(arguments);
        return QDBusConnection::sessionBus().send(signal);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        QVERIFY2(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
                     QStringLiteral("org.freedesktop.ScreenSaver")),
                 "the desktop has a screen saver service");
    }

    void testPoserCannotEndTheShowing()
    {
        ProgramRun run({{QStringLiteral("Videos"), ProgramRun::exampleVideos()},
                        {QStringLiteral("Password Mouse Move"), QStringLiteral("1")},
                        {QStringLiteral("Password"), QStringLiteral("pw")}});
        run.start();
        QVERIFY(startShowing(m_x, run) != 0);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere() && m_x.pointerGrabbedElsewhere(), 5000);

        QVERIFY(QDBusConnection::sessionBus().registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
        QVERIFY(emitAs(QStringLiteral("/org/freedesktop/ScreenSaver"),
                       QStringLiteral("org.freedesktop.ScreenSaver"),
                       QStringLiteral("ActiveChanged"),
                       {true}));
        QVERIFY(emitAs(
            QStringLiteral("/ScreenSaver"), QStringLiteral("org.kde.screensaver"), QStringLiteral("AboutToLock"), {}));
        QVERIFY2(!awaitNoWindow(m_x, run, QStringLiteral("Slideshow"), 2000), "the poser ended the showing");
        QVERIFY(m_x.keyboardGrabbedElsewhere() && m_x.pointerGrabbedElsewhere());

        m_x.key(QStringLiteral("Shift_L"));
        enterPassword(m_x, run, QStringLiteral("pw"));
        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopLockTrust)
#include "TestDesktopLockTrust.moc"
