// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <chrono>

/**
 * A second X client on the test display: it looks at the program's windows as the X server and the window manager
 * see them, and types and clicks with real X input (XTest), as a person would.
 */
class XClient
{
public:
    using Window = unsigned long;

    XClient();
    ~XClient();
    XClient(const XClient&) = delete;
    XClient& operator=(const XClient&) = delete;

    [[nodiscard]] bool isOpen() const
    {
        return m_display != nullptr;
    }

    // The window manager's view: its client windows, bottom to top.
    [[nodiscard]] QList<Window> clientsByStacking() const;
    /** The managed windows of a process or its children whose title begins with the text, bottom to top. */
    [[nodiscard]] QList<Window> windowsOf(qint64 pid, const QString& titlePrefix = {}) const;
    [[nodiscard]] Window windowOf(qint64 pid, const QString& titlePrefix) const;
    [[nodiscard]] QString title(Window window) const;
    /** WM_STATE: 0 withdrawn, 1 normal, 3 iconic; -1 when the window has none. */
    [[nodiscard]] int wmState(Window window) const;
    /** _NET_WM_STATE as atom names, such as "_NET_WM_STATE_FULLSCREEN". */
    [[nodiscard]] QStringList netWmState(Window window) const;
    [[nodiscard]] bool isViewable(Window window) const;
    /** The window's area in root coordinates. */
    [[nodiscard]] QRect geometry(Window window) const;
    /** The client window that holds the input focus, or 0. */
    [[nodiscard]] Window focusedClient() const;
    [[nodiscard]] Window activeWindow() const;
    /** A cardinal property of the root window, such as _NET_SHOWING_DESKTOP or _NET_CURRENT_DESKTOP; -1 if none. */
    [[nodiscard]] long rootCardinal(const char* property) const;
    /** A cardinal property of the window, such as _NET_WM_DESKTOP; -1 if none. */
    [[nodiscard]] long cardinal(Window window, const char* property) const;
    /** The top-level windows of the root, bottom to top, as the server stacks them (frames and all). */
    [[nodiscard]] QList<Window> rootChildren() const;
    /** The windows inside the window, bottom to top: of a window manager's frame, its title bar, buttons and all. */
    [[nodiscard]] QList<Window> children(Window window) const;
    /** WM_TRANSIENT_FOR: the window that owns this one, or 0 when it stands on its own. */
    [[nodiscard]] Window transientFor(Window window) const;
    /** The root child (a frame, for a managed window) that holds the window. */
    [[nodiscard]] Window topLevelOf(Window window) const;
    /** Whether the first window is stacked above the second on the screen. */
    [[nodiscard]] bool isAbove(Window upper, Window lower) const;
    /** The windows of the class (WM_CLASS name or class) inside the given one, or on the whole screen. */
    [[nodiscard]] QList<Window> windowsOfClass(const QString& className, Window within = 0) const;
    /**
     * The pop-up menus of a process on the screen: its windows that the window manager does not manage, tool tips
     * aside.
     */
    [[nodiscard]] QList<Window> openMenus(qint64 pid) const;
    /** The program's icon in the notification area (trayer), or 0 when it has not docked there. */
    [[nodiscard]] Window trayIcon() const;

    // Input, through XTest.
    /** Presses the keys in order, holds them, and releases them in reverse order. Names are keysym names. */
    void keys(const QStringList& names, std::chrono::milliseconds hold = std::chrono::milliseconds(150));
    void key(const QString& name, std::chrono::milliseconds hold = std::chrono::milliseconds(150))
    {
        keys({name}, hold);
    }
    void type(const QString& text);
    void movePointer(QPoint rootPosition);
    void click(int button = 1, std::chrono::milliseconds hold = std::chrono::milliseconds(100));
    void clickAt(QPoint rootPosition, int button = 1);
    [[nodiscard]] QPoint pointer() const;

    // What the server holds.
    /** Whether another client holds the keyboard: a grab of this client's own is refused. */
    [[nodiscard]] bool keyboardGrabbedElsewhere() const;
    [[nodiscard]] bool pointerGrabbedElsewhere() const;
    /** Takes the keyboard, as another program (a menu, a game) may hold it; false when someone else has it. */
    bool grabKeyboard();
    void releaseKeyboard();
    /** Arms the server's own screen saver: it goes on after the seconds of idle time. */
    void setScreenSaver(int timeoutSeconds);
    /** The screen saver's state: 0 off, 1 on, 3 disabled. */
    [[nodiscard]] int screenSaverState() const;
    /** Seconds since the last input the server saw. */
    [[nodiscard]] double idleSeconds() const;

    /** What the screen shows in the area (root coordinates). */
    [[nodiscard]] QImage grab(QRect area) const;
    /** The window manager is asked to close the window, as a taskbar or wmctrl -c asks. */
    void requestClose(Window window);
    /** The window manager is asked to minimise the window, as its minimise button does. */
    void requestMinimise(Window window);
    /** A program (as a pager would) asks the window manager to activate the window. */
    void requestActivate(Window window);

    void sync() const;

private:
    [[nodiscard]] unsigned long atom(const char* name) const;
    [[nodiscard]] QList<unsigned long> cardinals(Window window, const char* property, unsigned long type) const;
    void clientMessage(Window window, const char* type, std::initializer_list<long> data);

    struct _XDisplay* m_display = nullptr;
    Window m_root = 0;
};
