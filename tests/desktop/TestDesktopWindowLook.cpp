// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"
#include "fakes/Pictures.h"

#include <QFontMetrics>
#include <QTest>

#include <utility>

using namespace DesktopTest;
using namespace std::chrono_literals;

using Environment = QMap<QString, QString>;
Q_DECLARE_METATYPE(Environment)

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

    // An area of a window, given in the twips of its design.
    static QRect twips(int left, int top, int width, int height)
    {
        return QRect(left / 15, top / 15, width / 15, height / 15);
    }

    // The window as it shows once it has drawn itself: two pictures a moment apart agree.
    QImage settledPicture(XClient::Window window) const
    {
        QImage picture = m_x.grab(m_x.geometry(window));
        static_cast<void>(QTest::qWaitFor(
            [&] {
                QTest::qWait(300);
                const QImage again = m_x.grab(m_x.geometry(window));
                return std::exchange(picture, again) == again;
            },
            5000));
        return picture;
    }

    static QString colours(QRgb first, QRgb second)
    {
        return QColor(first).name() + QLatin1String(" on ") + QColor(second).name();
    }

    // Captions that do not read on what they stand on, and option buttons or check boxes whose states cannot be
    // told apart: of each pair, a ticked one and an unticked one of the same size, whose indicator stands at the left
    // in the middle of the height, its caption after it.
    static QStringList lookFaults(const QImage& picture,
                                  const QList<std::pair<QString, QRect>>& captions,
                                  const QList<std::tuple<QString, QRect, QRect>>& options)
    {
        QStringList faults;
        const auto read = [&](const QString& name, QRect area) {
            const QRgb behind = Pictures::mostCommon(picture, area);
            const QRgb ink = Pictures::standsOutMost(picture, area, behind);
            if (const double ratio = Pictures::contrast(ink, behind); ratio < 4.5) {
                faults.append(QStringLiteral("%1 %2:1 (%3)").arg(name).arg(ratio, 0, 'f', 1).arg(colours(ink, behind)));
            }
        };
        for (const auto& [name, area] : captions) {
            read(name, area);
        }
        for (const auto& [names, ticked, unticked] : options) {
            read(names, unticked.adjusted(20, 0, 0, 0));
            for (const QString& fault : Pictures::indicatorFaults(picture, unticked, picture, ticked)) {
                faults.append(names + QLatin1String(": ") + fault);
            }
        }
        return faults;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
    }

    void testControlsReadUnderTheDesktopTheme_data()
    {
        QTest::addColumn<Environment>("theme");
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << Environment() << false;
        // A user outside GNOME gets GNOME's dark theme so: Qt's GTK platform theme, which takes GTK's palette.
        QTest::newRow("GTK dark") << Environment{{QStringLiteral("QT_QPA_PLATFORMTHEME"), QStringLiteral("gtk3")},
                                                 {QStringLiteral("GTK_THEME"), QStringLiteral("Adwaita:dark")}}
                                  << true;
    }

    // Under a light desktop and a dark one, the windows are of a piece: every caption reads, the list headers run
    // across their lists, and ticked and unticked options can be told apart.
    void testControlsReadUnderTheDesktopTheme()
    {
        QFETCH(Environment, theme);
        QFETCH(bool, dark);
        ProgramRun run({{QStringLiteral("Videos"), ProgramRun::exampleVideos()},
                        {QStringLiteral("Listview5"), QStringLiteral(LUMAVEIL_SAMPLES_DIR "/")},
                        {QStringLiteral("Windows Startup"), QStringLiteral("On")},
                        {QStringLiteral("Check1"), QStringLiteral("1")}});
        run.start(theme);
        const XClient::Window main = awaitMainWindow(m_x, run);
        QVERIFY(main != 0);
        const QImage picture = settledPicture(main);

        // The theme has taken: the file list, the text of its entries aside, has the theme's colour. The window's
        // bare face (its left margin) goes with it.
        const QRgb list = Pictures::mostCommon(picture, twips(120, 1500, 7800, 1335));
        QVERIFY2(dark ? qGray(list) < 96 : qGray(list) > 200, qPrintable(QColor(list).name()));
        QStringList faults;
        const QRgb face = picture.pixel(3, twips(0, 1500, 0, 1335).center().y());
        if (Pictures::contrast(face, list) >= 3) {
            faults.append(QLatin1String("face and lists unlike: ") + colours(face, list));
        }

        // The header of the file list ends its one column at 7000 twips; right of it, where the list goes on (to
        // its scroll bar), the header goes on as well.
        const int headerRow = twips(0, 1500, 0, 0).top() + 9;
        const QRgb section = picture.pixel(twips(120, 0, 6800, 0).right(), headerRow);
        const QRgb strip = picture.pixel(twips(120, 0, 7200, 0).right(), headerRow);
        if (Pictures::contrast(section, strip) >= 1.25) {
            faults.append(QLatin1String("a strip right of the header: ") + colours(strip, section));
        }

        faults += lookFaults(picture,
                             {{QStringLiteral("status line"), twips(120, 120, 7800, 255)},
                              {QStringLiteral("file list header"), twips(135, 1515, 3000, 225)},
                              {QStringLiteral("folder list header"), twips(135, 3955, 3000, 225)},
                              {QStringLiteral("minutes frame"), twips(120, 5805, 7800, 225)},
                              {QStringLiteral("random frame"), twips(120, 6645, 3840, 225)}},
                             {{QStringLiteral("Play randomly, Play in order"),
                               twips(120 + 240, 6645 + 300, 1695, 255),
                               twips(120 + 2040, 6645 + 300, 1695, 255)},
                              {QStringLiteral("Load this software..., Start in system tray"),
                               twips(120 + 240, 7400 + 300, 3930, 285),
                               twips(120 + 4410, 7400 + 300, 2325, 285)}});

        const XClient::Window options = openOptionsWindow(m_x, run, main);
        QVERIFY(options != 0);
        const QImage optionsPicture = settledPicture(options);
        faults += lookFaults(optionsPicture,
                             {{QStringLiteral("display frame"), twips(120, 870, 7800, 225)}},
                             {{QStringLiteral("Show Full Screen, Show Original"),
                               twips(120 + 240, 870 + 300, 2580, 255),
                               twips(120 + 240, 870 + 660, 2580, 255)},
                              {QStringLiteral("Start at random place..., Password prompt..."),
                               twips(120 + 240, 120 + 300, 3390, 255),
                               twips(120 + 240, 1980 + 300, 3390, 255)}});
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1String("; "))));
        QCOMPARE(run.terminate(), 0);
    }

    void testMessageBoxShowsItsTitleWhole_data()
    {
        testControlsReadUnderTheDesktopTheme_data();
    }

    // A box with a short message is wide enough for openbox to write its title whole; openbox writes it in its
    // own font (sans, 8 points, bold, by its configuration) in a label window between the icon and the buttons.
    void testMessageBoxShowsItsTitleWhole()
    {
        QFETCH(Environment, theme);
        ProgramRun run;
        run.start(theme);
        const XClient::Window main = awaitMainWindow(m_x, run);
        QVERIFY(main != 0);
        // With nothing in the lists, "Test Screensaver Now" says "No files added.".
        clickTestButton(m_x, main);
        const XClient::Window box = awaitFocusedMessageBox(m_x, run, main);
        QVERIFY(box != 0);
        QTest::qWait(500);

        // The label is the widest part of the title bar, which stands above the box in openbox's frame.
        const XClient::Window frame = m_x.topLevelOf(box);
        const QRect client = m_x.geometry(box);
        QRect label;
        for (XClient::Window bar : m_x.children(frame)) {
            for (XClient::Window child : m_x.children(bar)) {
                if (m_x.isViewable(child) && m_x.geometry(bar).bottom() < client.top() &&
                    m_x.geometry(child).width() > label.width()) {
                    label = m_x.geometry(child);
                }
            }
        }
        QVERIFY(label.isValid());
        QFont font(QStringLiteral("Sans"), 8);
        font.setBold(true);
        const int titleWidth = QFontMetrics(font).horizontalAdvance(m_x.title(box));
        QVERIFY2(label.width() >= titleWidth,
                 qPrintable(QStringLiteral("\"%1\" needs %2 pixels, has %3 in a box %4 wide")
                                .arg(m_x.title(box))
                                .arg(titleWidth)
                                .arg(label.width())
                                .arg(client.width())));
        m_x.key(QStringLiteral("Return"));
        QCOMPARE(run.terminate(), 0);
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

        // "Load this software on Windows startup", below the options window.
        m_x.clickAt(m_x.geometry(main).topLeft() + twipsCentre(360, 7700, 3930, 285));
        QTRY_COMPARE_WITH_TIMEOUT(run.setting(QStringLiteral("Windows Startup")), QStringLiteral("On"), 5000);
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

QTEST_MAIN(TestDesktopWindowLook)
#include "TestDesktopWindowLook.moc"
