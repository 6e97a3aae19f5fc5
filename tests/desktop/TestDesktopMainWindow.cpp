// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ProgramRun.h"
#include "desktop/XClient.h"

#include <QTest>

using namespace std::chrono_literals;

/** The main window of the real program, under a window manager with a notification area. */
class TestDesktopMainWindow : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

    // The share of sampled pixels that are light: the main window's face is white.
    static double lightShare(const QImage& picture)
    {
        int light = 0;
        int samples = 0;
        for (int y = 0; y < picture.height(); y += 8) {
            for (int x = 0; x < picture.width(); x += 8) {
                ++samples;
                light += qGray(picture.pixel(x, y)) > 200;
            }
        }
        return samples > 0 ? double(light) / samples : 0;
    }

    XClient::Window awaitMainWindow(ProgramRun& run)
    {
        XClient::Window window = 0;
        [&] { QTRY_VERIFY_WITH_TIMEOUT((window = m_x.windowOf(run.pid(), QStringLiteral("Lumaveil"))) != 0, 20000); }();
        [&] { QTRY_VERIFY_WITH_TIMEOUT(m_x.isViewable(window), 10000); }();
        return window;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
    }

    // Minimised by the window manager, the window leaves the screen and the taskbar for the notification area,
    // and a click on the icon there brings it back whole.
    void testMinimiseToTheNotificationAreaAndBack()
    {
        ProgramRun run({{QStringLiteral("Videos"), ProgramRun::exampleVideos()}});
        run.start();
        const XClient::Window window = awaitMainWindow(run);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.trayIcon() != 0, 10000);

        // Twice: the second time the notification area's balloon stays away, and the window goes all the same.
        for (int round = 0; round < 2; ++round) {
            m_x.requestMinimise(window);
            QTRY_VERIFY_WITH_TIMEOUT(!m_x.isViewable(window), 5000);
            QTRY_VERIFY_WITH_TIMEOUT(!m_x.clientsByStacking().contains(window), 5000);
            // It stays gone: nothing maps it again a moment later.
            QTest::qWait(500);
            QVERIFY(!m_x.isViewable(window));
            QVERIFY(!m_x.clientsByStacking().contains(window));

            m_x.clickAt(m_x.geometry(m_x.trayIcon()).center());
            QTRY_VERIFY_WITH_TIMEOUT(m_x.isViewable(window), 5000);
            QTRY_COMPARE_WITH_TIMEOUT(m_x.wmState(window), 1, 5000);
            QVERIFY(m_x.clientsByStacking().contains(window));
            QVERIFY(!m_x.netWmState(window).contains(QStringLiteral("_NET_WM_STATE_HIDDEN")));
            QTRY_VERIFY_WITH_TIMEOUT(lightShare(m_x.grab(m_x.geometry(window))) > 0.5, 5000);
        }
        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopMainWindow)
#include "TestDesktopMainWindow.moc"
