// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11FullScreenHold.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QList>
#include <QRect>
#include <QScreen>
#include <QSet>
#include <QWindow>

#include <unistd.h>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

Display* display()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

int ignoreError(Display*, XErrorEvent*)
{
    return 0;
}

// A window may go away between the list and the look at it: the error that follows is no fault.
class IgnoredErrors
{
public:
    IgnoredErrors()
        : m_previous(XSetErrorHandler(ignoreError))
    {}
    ~IgnoredErrors()
    {
        XSetErrorHandler(m_previous);
    }
    IgnoredErrors(const IgnoredErrors&) = delete;
    IgnoredErrors& operator=(const IgnoredErrors&) = delete;

private:
    XErrorHandler m_previous;
};

// The 32-bit items of a property (windows, atoms, cardinals), which Xlib hands over as longs.
QList<unsigned long> propertyItems(Display* connection, Window window, Atom property, Atom type)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    QList<unsigned long> items;
    const int status = XGetWindowProperty(
        connection, window, property, 0, 4096, False, type, &actualType, &format, &count, &after, &data);
    if (status == Success && actualType == type && format == 32 && data) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        items.reserve(int(count));
        for (unsigned long i = 0; i < count; ++i) {
            items.append(values[i]);
        }
    }
    if (data) {
        XFree(data);
    }
    return items;
}

QList<Window> topLevelWindows(Display* connection, Window root)
{
    const Atom clientList = XInternAtom(connection, "_NET_CLIENT_LIST", False);
    QList<Window> windows;
    for (unsigned long window : propertyItems(connection, root, clientList, XA_WINDOW)) {
        windows.append(Window(window));
    }
    if (windows.isEmpty()) {
        // No window manager keeps a list: the root's own children are the top-level windows.
        Window rootReturn = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(connection, root, &rootReturn, &parent, &children, &count)) {
            for (unsigned int i = 0; i < count; ++i) {
                windows.append(children[i]);
            }
        }
        if (children) {
            XFree(children);
        }
    }
    const Atom active = XInternAtom(connection, "_NET_ACTIVE_WINDOW", False);
    for (unsigned long window : propertyItems(connection, root, active, XA_WINDOW)) {
        if (window != 0 && !windows.contains(Window(window))) {
            windows.append(Window(window));
        }
    }
    return windows;
}

QSet<Window> ownWindows()
{
    QSet<Window> own;
    const QList<QWindow*> windows = QGuiApplication::allWindows();
    for (const QWindow* window : windows) {
        if (window->handle()) {
            own.insert(Window(window->winId()));
        }
    }
    return own;
}

// The primary screen in the X server's pixels.
QRect primaryScreenArea()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        return {};
    }
    const QRect area = screen->geometry();
    const qreal ratio = screen->devicePixelRatio();
    return QRect(QPoint(qRound(area.x() * ratio), qRound(area.y() * ratio)),
                 QSize(qRound(area.width() * ratio), qRound(area.height() * ratio)));
}

} // namespace

QString X11FullScreenHold::name() const
{
    return QCoreApplication::translate("DesktopIdle", "full-screen windows of other programs");
}

void X11FullScreenHold::ask(std::function<void(const HoldAnswer&)> done)
{
    Display* connection = display();
    if (!connection) {
        done(HoldAnswer{std::nullopt,
                        QCoreApplication::translate("DesktopIdle", "the program does not run on an X display")});
        return;
    }
    const IgnoredErrors ignored;
    const Window root = XDefaultRootWindow(connection);
    const Atom state = XInternAtom(connection, "_NET_WM_STATE", False);
    const Atom fullScreen = XInternAtom(connection, "_NET_WM_STATE_FULLSCREEN", False);
    const Atom hidden = XInternAtom(connection, "_NET_WM_STATE_HIDDEN", False);
    const Atom pidProperty = XInternAtom(connection, "_NET_WM_PID", False);
    const QSet<Window> own = ownWindows();
    const QRect screen = primaryScreenArea();
    const auto pid = static_cast<unsigned long>(getpid());

    bool held = false;
    for (Window window : topLevelWindows(connection, root)) {
        if (own.contains(window)) {
            continue;
        }
        const QList<unsigned long> states = propertyItems(connection, window, state, XA_ATOM);
        if (!states.contains(fullScreen) || states.contains(hidden)) {
            continue;
        }
        if (propertyItems(connection, window, pidProperty, XA_CARDINAL).contains(pid)) {
            continue;
        }
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(connection, window, &attributes) || attributes.map_state != IsViewable) {
            continue;
        }
        int x = 0;
        int y = 0;
        Window child = 0;
        if (!XTranslateCoordinates(connection, window, root, 0, 0, &x, &y, &child)) {
            continue;
        }
        // A full-screen window on another monitor leaves the primary one free for a showing.
        if (screen.isEmpty() || screen.contains(QRect(x, y, attributes.width, attributes.height).center())) {
            held = true;
            break;
        }
    }
    done(HoldAnswer{held, {}});
}
