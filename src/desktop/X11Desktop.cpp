// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11Desktop.h"

#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <vector>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>

namespace X11Desktop {

namespace {

Display* display()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

Atom atom(Display* connection, const char* name)
{
    return XInternAtom(connection, name, False);
}

// _NET_WM_DESKTOP's value for a window on every desktop.
constexpr long allDesktops = 0xFFFFFFFF;

// A request to the window manager about the window, as EWMH has clients send them.
void askWindowManager(Display* connection, Window window, const char* type, std::initializer_list<long> data)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(connection, type);
    event.xclient.format = 32;
    std::copy(data.begin(), data.end(), event.xclient.data.l);
    XSendEvent(
        connection, XDefaultRootWindow(connection), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// The 32-bit items of a property of the given type; none when the window has no such property.
std::vector<unsigned long> items(Display* connection, Window window, const char* property, Atom type)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> result;
    if (XGetWindowProperty(connection,
                           window,
                           atom(connection, property),
                           0,
                           64,
                           False,
                           type,
                           &actualType,
                           &format,
                           &count,
                           &remaining,
                           &data) == Success &&
        data) {
        if (actualType == type && format == 32) {
            // Xlib hands 32-bit items over as longs.
            const auto* values = reinterpret_cast<const unsigned long*>(data);
            result.assign(values, values + count);
        }
        XFree(data);
    }
    return result;
}

// Whether the window manager manages the window: it has given it a WM_STATE other than withdrawn. It lets go of a
// window that its program, or any other, unmaps, and clears the states it kept for it.
bool isManaged(Display* connection, Window window)
{
    const std::vector<unsigned long> state = items(connection, window, "WM_STATE", atom(connection, "WM_STATE"));
    return !state.empty() && state.front() != WithdrawnState;
}

// Adds the states to _NET_WM_STATE of a window that the window manager does not manage (yet).
void addStatesBeforeMapping(Display* connection, Window window, const std::vector<const char*>& added)
{
    std::vector<unsigned long> states = items(connection, window, "_NET_WM_STATE", XA_ATOM);
    for (const char* name : added) {
        if (std::find(states.cbegin(), states.cend(), atom(connection, name)) == states.cend()) {
            states.push_back(atom(connection, name));
        }
    }
    XChangeProperty(connection,
                    window,
                    atom(connection, "_NET_WM_STATE"),
                    XA_ATOM,
                    32,
                    PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.data()),
                    static_cast<int>(states.size()));
}

void putOnEveryDesktop(Display* connection, Window window)
{
    if (isManaged(connection, window)) {
        askWindowManager(connection, window, "_NET_WM_DESKTOP", {allDesktops, 2});
        askWindowManager(connection,
                         window,
                         "_NET_WM_STATE",
                         {1, static_cast<long>(atom(connection, "_NET_WM_STATE_STICKY")), 0, 2});
        return;
    }
    XChangeProperty(connection,
                    window,
                    atom(connection, "_NET_WM_DESKTOP"),
                    XA_CARDINAL,
                    32,
                    PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&allDesktops),
                    1);
    addStatesBeforeMapping(connection, window, {"_NET_WM_STATE_STICKY"});
}

} // namespace

bool isActive()
{
    return display() != nullptr;
}

void keepOffTaskbars(QWidget* window)
{
    Display* connection = display();
    if (!connection) {
        return;
    }
    // Set on the window before it is mapped; Qt adds its own states to these when it shows the window.
    const Atom states[] = {atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                           atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    XChangeProperty(connection,
                    window->winId(),
                    atom(connection, "_NET_WM_STATE"),
                    XA_ATOM,
                    32,
                    PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states),
                    std::size(states));
    XFlush(connection);
}

void keepOnEveryDesktop(QWidget* window)
{
    if (Display* connection = display()) {
        putOnEveryDesktop(connection, window->winId());
        XFlush(connection);
    }
}

void returnToView(QWidget* window)
{
    Display* connection = display();
    if (!connection) {
        return;
    }
    // Asked whatever the root window says yet: a window manager may hide the windows before it says so there.
    askWindowManager(connection, XDefaultRootWindow(connection), "_NET_SHOWING_DESKTOP", {0});
    const Window id = window->winId();
    const std::vector<unsigned long> state = items(connection, id, "WM_STATE", atom(connection, "WM_STATE"));
    const bool withdrawn = state.empty() || state.front() == WithdrawnState;
    if (withdrawn) {
        // Unmapped by another program: the window manager let the window go and cleared the states it had.
        std::vector<const char*> states{"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};
        if (window->isFullScreen()) {
            states.push_back("_NET_WM_STATE_FULLSCREEN");
        }
        if (window->isModal()) {
            states.push_back("_NET_WM_STATE_MODAL");
        }
        addStatesBeforeMapping(connection, id, states);
    }
    putOnEveryDesktop(connection, id);
    // Mapped again, a withdrawn window is taken in anew and a minimised one comes out of its icon. Not a window in
    // the normal state: one that was just unmapped may be the window manager's still, and would come back without
    // its states.
    if (withdrawn || state.front() == IconicState) {
        XMapWindow(connection, id);
    }
    XFlush(connection);
}

void bringToFront(QWidget* window)
{
    window->raise();
    Display* connection = display();
    if (!connection) {
        window->activateWindow();
        return;
    }
    // Source 2 is a pager's request, made for the user: window managers grant it even while another program has
    // the focus, where they refuse a program's own request (source 1, what activateWindow() sends).
    askWindowManager(connection, window->winId(), "_NET_ACTIVE_WINDOW", {2, CurrentTime});
    XFlush(connection);
}

void focus(QWidget* window)
{
    if (Display* connection = display()) {
        XSetInputFocus(connection, window->winId(), RevertToParent, CurrentTime);
        XFlush(connection);
    }
}

ScreenSaverSuspension::ScreenSaverSuspension()
{
    Display* connection = display();
    int eventBase = 0;
    int errorBase = 0;
    if (connection && XScreenSaverQueryExtension(connection, &eventBase, &errorBase)) {
        XScreenSaverSuspend(connection, True);
        XFlush(connection);
        m_suspended = true;
    }
}

ScreenSaverSuspension::~ScreenSaverSuspension()
{
    Display* connection = display();
    if (m_suspended && connection) {
        XScreenSaverSuspend(connection, False);
        XFlush(connection);
    }
}

} // namespace X11Desktop
