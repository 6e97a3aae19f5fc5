// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/ProgramRun.h"
#include "desktop/XClient.h"

#include <QProcess>
#include <QTest>

/** What the tests of the real program on a desktop share: finding its windows and driving its showing. */
namespace DesktopTest {

using Window = XClient::Window;

/** Waits for a window of the program whose title begins with the text to be on the screen; 0 when none came. */
inline Window awaitWindow(const XClient& x, const ProgramRun& run, const QString& titlePrefix, int timeout = 10000)
{
    Window window = 0;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            window = 0;
            for (Window candidate : x.windowsOf(run.pid(), titlePrefix)) {
                if (x.isViewable(candidate)) {
                    window = candidate;
                }
            }
            return window != 0;
        },
        timeout));
    return window;
}

/** Waits until no window of the program whose title begins with the text is on the screen. */
inline bool awaitNoWindow(const XClient& x, const ProgramRun& run, const QString& titlePrefix, int timeout = 5000)
{
    return QTest::qWaitFor(
        [&] {
            for (Window candidate : x.windowsOf(run.pid(), titlePrefix)) {
                if (x.isViewable(candidate)) {
                    return false;
                }
            }
            return true;
        },
        timeout);
}

/** Whether a window of the program with the title shows up within the time. */
inline bool appears(const XClient& x, const ProgramRun& run, const QString& titlePrefix, int timeout)
{
    return awaitWindow(x, run, titlePrefix, timeout) != 0;
}

/** Waits for a window of the program with the title to be on the screen and to have the focus: typed keys reach it. */
inline Window
awaitFocusedWindow(const XClient& x, const ProgramRun& run, const QString& titlePrefix, int timeout = 5000)
{
    const Window window = awaitWindow(x, run, titlePrefix, timeout);
    return window != 0 && QTest::qWaitFor([&] { return x.focusedClient() == window; }, timeout) ? window : 0;
}

/** The main window, once it is on the screen; its title is the program's name alone. */
inline Window awaitMainWindow(const XClient& x, const ProgramRun& run)
{
    Window main = 0;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            for (Window candidate : x.windowsOf(run.pid(), QStringLiteral("Lumaveil"))) {
                if (x.title(candidate) == QLatin1String("Lumaveil") && x.isViewable(candidate)) {
                    main = candidate;
                    return true;
                }
            }
            return false;
        },
        20000));
    return main;
}

/** A point of the main window, given in the twips of its design. */
inline QPoint onWindow(const XClient& x, Window window, QPoint clientPosition)
{
    return x.geometry(window).topLeft() + clientPosition;
}

/** "Test Screensaver Now" on the main window. */
inline void clickTestButton(XClient& x, Window main)
{
    x.clickAt(onWindow(x, main, twipsCentre(4080, 480, 3840, 405)));
}

/** Opens the options window with "Screen Saver Options" on the main window; returns it once it is on the screen. */
inline Window openOptionsWindow(XClient& x, const ProgramRun& run, Window main)
{
    x.clickAt(onWindow(x, main, twipsCentre(120, 990, 3840, 405)));
    return awaitWindow(x, run, QStringLiteral("ScreenSaver Options"));
}

/**
 * Starts a showing with "Test Screensaver Now" and waits until it runs: its window is on the screen with the focus
 * and holds the keyboard. Returns that window (not one of the black windows over other screens), or 0.
 */
inline Window startShowing(XClient& x, const ProgramRun& run)
{
    const Window main = awaitMainWindow(x, run);
    clickTestButton(x, main);
    if (awaitWindow(x, run, QStringLiteral("Slideshow"), 20000) == 0) {
        return 0;
    }
    Window showing = 0;
    const bool running = QTest::qWaitFor(
        [&] {
            showing = x.focusedClient();
            return x.windowsOf(run.pid(), QStringLiteral("Slideshow")).contains(showing) &&
                   x.keyboardGrabbedElsewhere();
        },
        5000);
    return running ? showing : 0;
}

/** Types the password into the prompt, which must be open: the showing ends. */
inline void enterPassword(XClient& x, const ProgramRun& run, const QString& password)
{
    QVERIFY(awaitFocusedWindow(x, run, QStringLiteral("Enter Password")) != 0);
    x.type(password);
    x.key(QStringLiteral("Return"));
    QVERIFY(awaitNoWindow(x, run, QStringLiteral("Slideshow")));
}

/**
 * Moves the pointer to the point, and from there in ten small steps, as a hand does. It rests at the point first: Qt
 * merges moves that come faster than the program takes them, and the way to the point and the first step, taken as
 * one, would be a movement along both axes.
 */
inline void sweepPointer(XClient& x, QPoint from, QPoint step)
{
    x.movePointer(from);
    QTest::qWait(300);
    for (int i = 1; i <= 10; ++i) {
        x.movePointer(from + step * i);
        QTest::qWait(30);
    }
}

/**
 * Moves the pointer over a running showing from the point: along one axis, back, along the other, back, then along
 * both. Only the last is input: the showing ends, or the password prompt opens where one is asked for.
 */
inline void checkMovementsOver(XClient& x, const ProgramRun& run, QPoint start, bool askPassword)
{
    // The way to the start, one axis at a time, is no input either.
    x.movePointer(QPoint(start.x(), x.pointer().y()));
    QTest::qWait(300);
    sweepPointer(x, start, QPoint(12, 0));
    sweepPointer(x, start, QPoint(0, 12));
    x.movePointer(start);
    QVERIFY2(!appears(x, run, QStringLiteral("Enter Password"), 1000), "a movement along one axis asked");
    QVERIFY2(appears(x, run, QStringLiteral("Slideshow"), 0), "a movement along one axis ended the showing");

    sweepPointer(x, start, QPoint(12, 9));
    if (askPassword) {
        QVERIFY2(appears(x, run, QStringLiteral("Enter Password"), 5000), "a diagonal movement did not ask");
    } else {
        QVERIFY2(awaitNoWindow(x, run, QStringLiteral("Slideshow")), "a diagonal movement did not end the showing");
    }
}

/** The message boxes of the program that stand open: windows titled with its name, beside the main window. */
inline QList<Window> messageBoxes(const XClient& x, const ProgramRun& run, Window main)
{
    QList<Window> boxes;
    for (Window candidate : x.windowsOf(run.pid(), QStringLiteral("Lumaveil"))) {
        if (candidate != main && x.isViewable(candidate)) {
            boxes.append(candidate);
        }
    }
    return boxes;
}

/** Waits for a message box of the program to stand open with the focus; returns it, or 0. */
inline Window awaitFocusedMessageBox(const XClient& x, const ProgramRun& run, Window main, int timeout = 5000)
{
    Window box = 0;
    static_cast<void>(QTest::qWaitFor(
        [&] {
            const QList<Window> boxes = messageBoxes(x, run, main);
            box = boxes.contains(x.focusedClient()) ? x.focusedClient() : 0;
            return box != 0;
        },
        timeout));
    return box;
}

/** Another program with a window of its own, in front and with the focus. */
class OtherProgram
{
public:
    explicit OtherProgram(QRect area)
    {
        m_process.start(QStringLiteral("xmessage"),
                        {QStringLiteral("-geometry"),
                         QStringLiteral("%1x%2+%3+%4").arg(area.width()).arg(area.height()).arg(area.x()).arg(area.y()),
                         QStringLiteral("Another program")});
        m_process.waitForStarted();
    }
    ~OtherProgram()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    [[nodiscard]] qint64 pid() const
    {
        return m_process.processId();
    }
    /** Its window, once it is on the screen. */
    Window awaitWindow(const XClient& x)
    {
        Window window = 0;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                for (Window candidate : x.clientsByStacking()) {
                    if (x.isViewable(candidate) &&
                        x.windowsOfClass(QStringLiteral("xmessage"), candidate).contains(candidate)) {
                        window = candidate;
                    }
                }
                return window != 0;
            },
            10000));
        return window;
    }

private:
    QProcess m_process;
};

} // namespace DesktopTest
