// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/Processes.h"
#include "desktop/ProgramRun.h"
#include "wayland/DecoyXDisplay.h"
#include "wayland/Sway.h"

#include <QTest>

#include <algorithm>
#include <optional>

/**
 * The real program under a Wayland compositor (sway, headless) with Qt's Wayland platform, on one output or more:
 * it starts without a notification area, its showing fills the outputs, draws the video and holds off the compositor's
 * idle action, a key on the keyboard or the password ends it, and nothing of it speaks X, even with an X display at
 * hand.
 */
class TestWaylandShowing : public QObject
{
    Q_OBJECT

private:
    static constexpr const char* password = "pw";

    // The example videos; the countdown, when on, runs six seconds.
    static QMap<QString, QString> settings(bool countdownOn)
    {
        return {{QStringLiteral("Videos"), ProgramRun::exampleVideos()},
                {QStringLiteral("Option4"), QStringLiteral("False")},
                {QStringLiteral("Option5"), QStringLiteral("True")},
                {QStringLiteral("Text3"), QStringLiteral("0.1")},
                {QStringLiteral("StartStopState"), countdownOn ? QStringLiteral("On") : QStringLiteral("Off")}};
    }

    // Starts the program on the compositor, with its output collected; DISPLAY names the given X display, as in a
    // Wayland session that runs an X server for older programs.
    static void start(ProgramRun& run, const QString& display)
    {
        QMap<QString, QString> environment{{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland")}};
        if (!display.isEmpty()) {
            environment.insert(QStringLiteral("DISPLAY"), display);
        }
        run.process().setProcessChannelMode(QProcess::MergedChannels);
        run.start(environment);
    }

    // The program's window whose title begins with the text, once it is visible.
    static std::optional<Sway::View> awaitView(const ProgramRun& run, const QString& titlePrefix, int timeout)
    {
        std::optional<Sway::View> found;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                found.reset();
                for (const Sway::View& view : Sway::views()) {
                    if (isOrIsChildOf(view.pid, run.pid()) && view.name.startsWith(titlePrefix) && view.visible) {
                        found = view;
                    }
                }
                return found.has_value();
            },
            timeout));
        return found;
    }

    // Whether the program's window whose title begins with the text has the keyboard, within the time.
    static bool awaitFocus(const ProgramRun& run, const QString& titlePrefix, int timeout = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                const QList<Sway::View> views = Sway::views();
                return std::any_of(views.cbegin(), views.cend(), [&](const Sway::View& view) {
                    return isOrIsChildOf(view.pid, run.pid()) && view.name.startsWith(titlePrefix) && view.focused;
                });
            },
            timeout);
    }

    // The program's visible windows whose titles begin with the text.
    static QList<Sway::View> visibleViews(const ProgramRun& run, const QString& titlePrefix)
    {
        QList<Sway::View> found;
        for (const Sway::View& view : Sway::views()) {
            if (isOrIsChildOf(view.pid, run.pid()) && view.name.startsWith(titlePrefix) && view.visible) {
                found.append(view);
            }
        }
        return found;
    }

    static bool awaitNoView(const ProgramRun& run, const QString& titlePrefix, int timeout = 5000)
    {
        return QTest::qWaitFor(
            [&] {
                const QList<Sway::View> views = Sway::views();
                return std::none_of(views.cbegin(), views.cend(), [&](const Sway::View& view) {
                    return isOrIsChildOf(view.pid, run.pid()) && view.name.startsWith(titlePrefix) && view.visible;
                });
            },
            timeout);
    }

    // The share of the area's pixels that are not close to black.
    static double litShare(const QImage& screen, QRect area)
    {
        const QImage image = screen.convertToFormat(QImage::Format_RGB32);
        qint64 lit = 0;
        qint64 all = 0;
        for (int y = area.top(); y <= area.bottom(); y += 4) {
            for (int x = area.left(); x <= area.right(); x += 4) {
                const QRgb pixel = image.pixel(x, y);
                lit += std::max({qRed(pixel), qGreen(pixel), qBlue(pixel)}) > 40 ? 1 : 0;
                ++all;
            }
        }
        return all > 0 ? double(lit) / double(all) : 0;
    }

    // Ends the program as the session does; it goes cleanly, and what it printed holds no complaint of the Wayland
    // platform about a call it cannot serve (moving the pointer, grabbing it).
    static void terminate(ProgramRun& run)
    {
        QCOMPARE(run.terminate(), 0);
        const QString output = QString::fromLocal8Bit(run.process().readAll());
        const QStringList complaints = output.split(QLatin1Char('\n')).filter(QStringLiteral("qt.qpa.wayland"));
        QVERIFY2(complaints.isEmpty(), qPrintable(complaints.join(QLatin1Char('\n'))));
        QVERIFY2(!output.contains(QLatin1String("grabbing the mouse")), qPrintable(output));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !qEnvironmentVariableIsEmpty("SWAYSOCK"),
                 "needs the session of wayland/wayland.sh");
        QVERIFY(!Sway::outputAreas().isEmpty());
    }

    // Without a notification area, "Start in system tray" still shows the main window: there is nowhere else to
    // find the program.
    void testStartsWithoutNotificationArea()
    {
        QMap<QString, QString> values = settings(false);
        values.insert(QStringLiteral("Minimized"), QStringLiteral("On"));
        ProgramRun run(values);
        start(run, QString());
        const std::optional<Sway::View> main = awaitView(run, QStringLiteral("Lumaveil"), 20000);
        QVERIFY(main.has_value());
        QCOMPARE(main->name, QStringLiteral("Lumaveil"));
        QCOMPARE(main->appId, QStringLiteral("org.quelmar.lumaveil"));
        QVERIFY(!main->fullScreen);
        terminate(run);
    }

    // The countdown's showing fills every output in front of the main window, with the video on the one that has the
    // keyboard. A key ends it. (What the black windows on the other outputs show cannot be seen here: headless sway
    // shows its empty background there in screenshots, whatever colour such a window has.) The X display that the
    // session names is never touched: not by Qt, not by mpv, not by the program's own X11 calls. With videos on every
    // output, each shows a picture.
    void testShowingFillsTheOutputsUntilAKey_data()
    {
        QTest::addColumn<QString>("screens");
        QTest::addColumn<QString>("fade");
        QTest::newRow("primary only") << "Primary"
                                      << "0";
        QTest::newRow("each its own, fading") << "Each"
                                              << "0.5";
        QTest::newRow("the same") << "Same"
                                  << "0";
    }

    void testShowingFillsTheOutputsUntilAKey()
    {
        QFETCH(QString, screens);
        QFETCH(QString, fade);
        DecoyXDisplay x;
        QVERIFY(x.isListening());
        QMap<QString, QString> values = settings(true);
        values.insert(QStringLiteral("Screens"), screens);
        values.insert(QStringLiteral("Fade"), fade);
        ProgramRun run(values);
        start(run, x.name());
        QVERIFY(awaitView(run, QStringLiteral("Lumaveil"), 20000).has_value());

        const QList<QRect> outputs = Sway::outputAreas();
        QList<Sway::View> showing;
        QVERIFY(QTest::qWaitFor(
            [&] {
                showing = visibleViews(run, QStringLiteral("Slideshow"));
                return showing.size() == outputs.size();
            },
            20000));
        for (const QRect& output : outputs) {
            QVERIFY2(std::any_of(showing.cbegin(),
                                 showing.cend(),
                                 [&](const Sway::View& view) { return view.fullScreen && view.rect == output; }),
                     "an output is not covered");
        }
        QVERIFY(awaitFocus(run, QStringLiteral("Slideshow")));
        const auto focused =
            std::find_if(showing.cbegin(), showing.cend(), [](const Sway::View& view) { return view.focused; });
        QVERIFY(focused != showing.cend());
        const QRect video = focused->rect;
        // It holds off sway's idle action (swayidle's blanking) while it runs, and nothing of the program does after.
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QList<Sway::View> now = visibleViews(run, QStringLiteral("Slideshow"));
                return std::any_of(
                    now.cbegin(), now.cend(), [](const Sway::View& view) { return view.focused && view.inhibitsIdle; });
            },
            5000));

        // The first pictures come a moment after the window.
        double lit = 0;
        QVERIFY2(QTest::qWaitFor(
                     [&] {
                         const QImage screen = Sway::screenshot();
                         lit = screen.isNull() ? 0 : litShare(screen, video);
                         return lit > 0.1;
                     },
                     15000),
                 qPrintable(QStringLiteral("%1 % of the video's output lit").arg(lit * 100)));
        if (screens != QLatin1String("Primary")) {
            for (const QRect& output : outputs) {
                QVERIFY2(QTest::qWaitFor(
                             [&] {
                                 const QImage screen = Sway::screenshot();
                                 return !screen.isNull() && litShare(screen, output) > 0.1;
                             },
                             15000),
                         "an output shows no video");
            }
        }

        QVERIFY(Sway::type({QStringLiteral("-k"), QStringLiteral("Shift_L")}));
        QVERIFY(awaitNoView(run, QStringLiteral("Slideshow")));
        const std::optional<Sway::View> main = awaitView(run, QStringLiteral("Lumaveil"), 5000);
        QVERIFY(main.has_value());
        QCOMPARE(main->name, QStringLiteral("Lumaveil"));
        QVERIFY(!main->inhibitsIdle);
        terminate(run);
        QCOMPARE(x.connections(), 0);
    }

    // With the password asked for, a key brings the prompt over the full-screen showing, where the password can be
    // typed; the showing ends only then.
    void testPasswordPromptStandsOverTheShowing()
    {
        QMap<QString, QString> values = settings(true);
        values.insert(QStringLiteral("Password Mouse Move"), QStringLiteral("1"));
        values.insert(QStringLiteral("Password"), QString::fromLatin1(password));
        ProgramRun run(values);
        start(run, QString());
        QVERIFY(awaitView(run, QStringLiteral("Slideshow"), 30000).has_value());
        QVERIFY(awaitFocus(run, QStringLiteral("Slideshow")));

        QVERIFY(Sway::type({QStringLiteral("-k"), QStringLiteral("Shift_L")}));
        const std::optional<Sway::View> prompt = awaitView(run, QStringLiteral("Enter Password"), 5000);
        QVERIFY(prompt.has_value());
        QVERIFY(awaitFocus(run, QStringLiteral("Enter Password")));
        QVERIFY(awaitView(run, QStringLiteral("Slideshow"), 0).has_value());
        // The compositor's tree shows the focus before the program has heard of it; keys typed in between are lost.
        QTest::qWait(500);

        QVERIFY(Sway::type({QString::fromLatin1(password)}));
        QVERIFY(Sway::type({QStringLiteral("-k"), QStringLiteral("Return")}));
        QVERIFY(awaitNoView(run, QStringLiteral("Enter Password")));
        QVERIFY(awaitNoView(run, QStringLiteral("Slideshow")));
        terminate(run);
    }
};

QTEST_GUILESS_MAIN(TestWaylandShowing)
#include "TestWaylandShowing.moc"
