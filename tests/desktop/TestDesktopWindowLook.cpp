// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"

#include <QTest>

using namespace DesktopTest;
using namespace std::chrono_literals;

/** Where the real program's windows come up and how they look, under a window manager on a 1280x800 monitor. */
class TestDesktopWindowLook : public QObject
{
    Q_OBJECT

private:
    XClient m_x;

    // The colours along a row of a picture, from one column to another.
    static QSet<QRgb> coloursAlong(const QImage& picture, int y, int fromX, int toX)
    {
        QSet<QRgb> colours;
        for (int x = fromX; x <= toX; ++x) {
            colours.insert(picture.pixel(x, y));
        }
        return colours;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
    }

    // The options window comes up over the main window, standing on its own: no owner, not modal, and the main
    // window still takes clicks.
    void testOptionsWindowOpensCentredOverTheMainWindow()
    {
        ProgramRun run;
        run.start();
        const XClient::Window main = awaitMainWindow(m_x, run);
        const XClient::Window options = openOptionsWindow(m_x, run, main);

        QTRY_VERIFY_WITH_TIMEOUT((m_x.geometry(options).center() - m_x.geometry(main).center()).manhattanLength() <= 2,
                                 5000);
        QCOMPARE(m_x.transientFor(options), XClient::Window(0));
        QVERIFY(!m_x.netWmState(options).contains(QStringLiteral("_NET_WM_STATE_MODAL")));

        // "Disable sound", below the options window.
        m_x.clickAt(m_x.geometry(main).topLeft() + twipsCentre(4320, 6945, 1620, 255));
        QTRY_COMPARE_WITH_TIMEOUT(run.setting(QStringLiteral("Check2")), QStringLiteral("1"), 5000);
        QVERIFY(m_x.isViewable(options));
        QCOMPARE(run.terminate(), 0);
    }

    // The option buttons stand on the face of their frame, with no patch of another colour around their captions.
    void testOptionButtonsShowNoPatch()
    {
        ProgramRun run;
        run.start();
        const XClient::Window options = openOptionsWindow(m_x, run, awaitMainWindow(m_x, run));
        // Give it time to draw.
        QTest::qWait(500);
        const QRect area = m_x.geometry(options);
        const QImage picture = m_x.grab(area);

        // "Display Option" holds "Show Full Screen" and "Show Original" at 16, 20 and 16, 44 of the frame at 8, 58;
        // their captions end before x = 160. The rows on to x = 440 hold nothing but the frame's face, which begins
        // inside the option buttons and goes on past them.
        for (const int y : {58 + 20 + 8, 58 + 44 + 8}) {
            const QSet<QRgb> colours = coloursAlong(picture, y, 8 + 16 + 140, 440);
            QVERIFY2(colours.size() == 1,
                     qPrintable(QStringLiteral("%1 colours in row %2").arg(colours.size()).arg(y)));
        }
        QCOMPARE(run.terminate(), 0);
    }

    // At twice the size, the main window is taller than the monitor: it shrinks to fit, and its surface scrolls
    // to show the bottom row, whose controls then take clicks.
    void testMainWindowScrollsAtDoubleScale()
    {
        ProgramRun run;
        run.start({{QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2")}});
        const XClient::Window main = awaitMainWindow(m_x, run);
        const QRect monitor(0, 0, 1280, 800);
        // Settled: the window manager has framed the window, it has fitted itself inside, and it stays so.
        QRect framed;
        const bool settled = QTest::qWaitFor(
            [&] {
                const QRect before = m_x.geometry(m_x.topLevelOf(main));
                QTest::qWait(500);
                framed = m_x.geometry(m_x.topLevelOf(main));
                return framed == before && monitor.contains(framed);
            },
            15000);
        QVERIFY2(settled,
                 qPrintable(QStringLiteral("framed at %1,%2 %3x%4")
                                .arg(framed.x())
                                .arg(framed.y())
                                .arg(framed.width())
                                .arg(framed.height())));

        const QRect client = m_x.geometry(main);
        // The mouse wheel over the bare left edge of the surface, far enough for its bottom to come into view.
        m_x.movePointer(QPoint(client.left() + 4, client.center().y()));
        for (int notch = 0; notch < 12; ++notch) {
            m_x.click(5, 20ms);
        }
        QTest::qWait(300);

        // "Start in system tray", 25.5 designed pixels above the bottom of the surface, now the bottom of the window.
        m_x.clickAt(QPoint(client.left() + 2 * 342, client.bottom() - 51));
        QTRY_COMPARE_WITH_TIMEOUT(run.setting(QStringLiteral("Minimized")), QStringLiteral("On"), 5000);
        QCOMPARE(run.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopWindowLook)
#include "TestDesktopWindowLook.moc"
