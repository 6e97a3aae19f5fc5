// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"

#include <QProcess>
#include <QTest>

using namespace DesktopTest;

/**
 * Another program asks the window manager (openbox) to put a running showing away: it is back at once, on top and
 * full screen on both monitors, holding the keyboard and the pointer, and its end still asks for the password.
 */
class TestDesktopShowingStays : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    QList<QRect> m_screens{QRect(0, 0, 1280, 800), QRect(1280, 0, 1280, 800)};

    static void run(const QString& program, const QStringList& arguments)
    {
        QCOMPARE(QProcess::execute(program, arguments), 0);
    }

    // Each monitor has a window of the showing over it all, on the current desktop, above the other programs'.
    bool showingCovers(const ProgramRun& program) const
    {
        const QList<Window> own = m_x.windowsOf(program.pid());
        const long desktop = m_x.rootCardinal("_NET_CURRENT_DESKTOP");
        for (const QRect& screen : m_screens) {
            const auto covering = std::find_if(own.cbegin(), own.cend(), [&](Window window) {
                const long on = m_x.cardinal(window, "_NET_WM_DESKTOP");
                return m_x.isViewable(window) && m_x.geometry(window) == screen && (on == desktop || on == 0xFFFFFFFF);
            });
            if (covering == own.cend()) {
                return false;
            }
            for (Window other : m_x.clientsByStacking()) {
                if (!own.contains(other) && m_x.isViewable(other) && m_x.geometry(other).intersects(screen) &&
                    !m_x.isAbove(*covering, other)) {
                    return false;
                }
            }
        }
        return m_x.rootCardinal("_NET_SHOWING_DESKTOP") == 0;
    }

    // What the X server knows of the windows, for a failure's message.
    QString described(const ProgramRun& program) const
    {
        QString text = QStringLiteral("desktop %1, showing the desktop %2, keyboard grabbed %3, pointer grabbed %4;")
                           .arg(m_x.rootCardinal("_NET_CURRENT_DESKTOP"))
                           .arg(m_x.rootCardinal("_NET_SHOWING_DESKTOP"))
                           .arg(m_x.keyboardGrabbedElsewhere())
                           .arg(m_x.pointerGrabbedElsewhere());
        const QList<Window> own = m_x.windowsOf(program.pid());
        QList<Window> windows = m_x.clientsByStacking();
        // Bottom to top, then the program's windows that the window manager let go.
        for (Window window : own) {
            if (!windows.contains(window)) {
                windows.append(window);
            }
        }
        for (Window window : windows) {
            const QRect geometry = m_x.geometry(window);
            text += QStringLiteral(" [%1%2 \"%3\" viewable %4 at %5,%6 %7x%8 desktop %9 state %10]")
                        .arg(own.contains(window) ? QStringLiteral("own ") : QString())
                        .arg(window)
                        .arg(m_x.title(window))
                        .arg(m_x.isViewable(window))
                        .arg(geometry.x())
                        .arg(geometry.y())
                        .arg(geometry.width())
                        .arg(geometry.height())
                        .arg(m_x.cardinal(window, "_NET_WM_DESKTOP"))
                        .arg(m_x.wmState(window));
        }
        return text;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        if (qEnvironmentVariableIntValue("LUMAVEIL_TEST_SCREENS") < 2) {
            m_screens.removeLast();
        }
    }

    void cleanup()
    {
        run(QStringLiteral("wmctrl"), {QStringLiteral("-k"), QStringLiteral("off")});
        run(QStringLiteral("wmctrl"), {QStringLiteral("-s"), QStringLiteral("0")});
    }

    // What another program asks of the window manager (%1 is the window), then the keys the person presses: with the
    // password asked, the window manager's own shortcuts among them, they open the prompt; without, they end the
    // showing. Without keys, the request is made of the open prompt.
    void testOutsideRequest_data()
    {
        QTest::addColumn<QStringList>("request");
        QTest::addColumn<QStringList>("keys");
        QTest::addColumn<bool>("askPassword");
        const QStringList desktopSwitch{QStringLiteral("Control_L"), QStringLiteral("Alt_L"), QStringLiteral("Right")};
        const QStringList showDesktop{QStringLiteral("Super_L"), QStringLiteral("d")};
        const QStringList altTab{QStringLiteral("Alt_L"), QStringLiteral("Tab")};
        QTest::newRow("switch desktop") << QStringList{"wmctrl", "-s", "1"} << desktopSwitch << true;
        QTest::newRow("move by title") << QStringList{"wmctrl", "-r", "Slideshow", "-t", "1"} << showDesktop << true;
        QTest::newRow("move by id") << QStringList{"wmctrl", "-i", "-r", "%1", "-t", "1"} << altTab << true;
        QTest::newRow("unmap") << QStringList{"xdotool", "windowunmap", "%1"} << desktopSwitch << true;
        QTest::newRow("minimise") << QStringList{"xdotool", "windowminimize", "%1"} << altTab << true;
        QTest::newRow("show desktop") << QStringList{"wmctrl", "-k", "on"} << showDesktop << true;
        QTest::newRow("unmap, no password") << QStringList{"xdotool", "windowunmap", "%1"} << altTab << false;
        QTest::newRow("switch desktop, prompt") << QStringList{"wmctrl", "-s", "1"} << QStringList() << true;
        QTest::newRow("unmap the prompt") << QStringList{"xdotool", "windowunmap", "%1"} << QStringList() << true;
    }

    void testOutsideRequest()
    {
        QFETCH(QStringList, request);
        QFETCH(QStringList, keys);
        QFETCH(bool, askPassword);
        // One video all along: the next one would bring the window to the front by itself.
        QMap<QString, QString> settings = ProgramRun::exampleShowing();
        settings.insert(QStringLiteral("Slideshow Interval"), QStringLiteral("60"));
        if (askPassword) {
            settings.insert(QStringLiteral("Password Mouse Move"), QStringLiteral("1"));
            settings.insert(QStringLiteral("Password"), QStringLiteral("pw"));
        }
        ProgramRun program(settings);
        program.start();
        Window target = startShowing(m_x, program);
        QVERIFY(target != 0);
        QTRY_VERIFY_WITH_TIMEOUT(showingCovers(program) && m_x.pointerGrabbedElsewhere(), 5000);
        if (keys.isEmpty()) {
            m_x.key(QStringLiteral("Shift_L"));
            target = awaitFocusedWindow(m_x, program, QStringLiteral("Enter Password"));
            QVERIFY(target != 0);
        }

        request.replaceInStrings(QStringLiteral("%1"), QString::number(target));
        const bool switchesDesktop = request.contains(QStringLiteral("-s"));
        run(request.takeFirst(), request);
        // The showing is on every desktop: it covers the screen before the window manager has switched as asked.
        if (switchesDesktop) {
            QTRY_COMPARE_WITH_TIMEOUT(m_x.rootCardinal("_NET_CURRENT_DESKTOP"), 1L, 2000);
        }
        QTRY_VERIFY2_WITH_TIMEOUT(showingCovers(program) && m_x.isViewable(target) && m_x.keyboardGrabbedElsewhere() &&
                                      m_x.pointerGrabbedElsewhere(),
                                  qPrintable(described(program)),
                                  2000);
        const long desktop = m_x.rootCardinal("_NET_CURRENT_DESKTOP");
        if (!keys.isEmpty()) {
            m_x.keys(keys);
            if (!askPassword) {
                QVERIFY(awaitNoWindow(m_x, program, QStringLiteral("Slideshow")));
                QCOMPARE(program.terminate(), 0);
                return;
            }
            QVERIFY(appears(m_x, program, QStringLiteral("Enter Password"), 5000));
            // Time for the window manager to act on the keys, had they reached it.
            QTest::qWait(300);
            QCOMPARE(m_x.rootCardinal("_NET_CURRENT_DESKTOP"), desktop);
            QVERIFY2(showingCovers(program), qPrintable(described(program)));
            // Away with what the keys typed into the prompt.
            m_x.key(QStringLiteral("Escape"));
            QVERIFY(awaitNoWindow(m_x, program, QStringLiteral("Enter Password")));
            m_x.key(QStringLiteral("Shift_L"));
        }
        enterPassword(m_x, program, QStringLiteral("pw"));
        QCOMPARE(program.terminate(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDesktopShowingStays)
#include "TestDesktopShowingStays.moc"
