// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/X11Desktop.h"

#include <QGuiApplication>
#include <QWidget>

#include <algorithm>
#include <optional>
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
constexpr unsigned long allDesktops = 0xFFFFFFFF;

// A request to the window manager about the window, as EWMH has clients send them; source 2, for the user.
void askWindowManager(Display* connection, Window window, const char* type, std::initializer_list<long> data)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(connection, type);
    event.xclient.format = 32;
    int i = 0;
    for (long value : data) {
        event.xclient.data.l[i++] = value;
    }
    XSendEvent(
        connection, XDefaultRootWindow(connection), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// The first 32-bit item of a property, or nullopt when the window has none of that type.
std::optional<unsigned long> firstItem(Display* connection, Window window, Atom property, Atom type)
{
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(
            connection, window, property, 0, 1, False, type, &actualType, &format, &count, &remaining, &data) !=
        Success) {
        return std::nullopt;
    }
    std::optional<unsigned long> item;
    if (data && actualType == type && format == 32 && count > 0) {
        // Xlib hands 32-bit items over as longs.
        item = *reinterpret_cast<const unsigned long*>(data);
    }
    if (data) {
        XFree(data);
    }
    return item;
}

// Whether the window manager manages the window: it has given it a WM_STATE other than withdrawn. It drops a
// window that its program (or any other) unmaps, together with the states it kept for it.
bool isManaged(Display* connection, Window window)
{
    const Atom wmState = atom(connection, "WM_STATE");
    const std::optional<unsigned long> state = firstItem(connection, window, wmState, wmState);
    return state && *state != WithdrawnState;
}

// Adds the states to _NET_WM_STATE of a window that the window manager does not manage (yet).
void addStatesBeforeMapping(Display* connection, Window window, std::initializer_list<Atom> added)
{
    const Atom property = atom(connection, "_NET_WM_STATE");
    std::vector<Atom> states;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(
            connection, window, property, 0, 64, False, XA_ATOM, &actualType, &format, &count, &remaining, &data) ==
            Success &&
        data) {
        if (actualType == XA_ATOM && format == 32) {
            const auto* items = reinterpret_cast<const Atom*>(data);
            states.assign(items, items + count);
        }
        XFree(data);
    }
    for (Atom state : added) {
        if (std::find(states.cbegin(), states.cend(), state) == states.cend()) {
            states.push_back(state);
        }
    }
    XChangeProperty(connection,
                    window,
                    property,
                    XA_ATOM,
                    32,
                    PropModeReplace,
                    reinterpret_cast<const unsigned char*>(states.data()),
                    static_cast<int>(states.size()));
}

void putOnEveryDesktop(Display* connection, Window window)
{
    const Atom sticky = atom(connection, "_NET_WM_STATE_STICKY");
    if (isManaged(connection, window)) {
        askWindowManager(connection, window, "_NET_WM_DESKTOP", {static_cast<long>(allDesktops), 2});
        askWindowManager(connection, window, "_NET_WM_STATE", {1, static_cast<long>(sticky), 0, 2});
        return;
    }
    const unsigned long desktop = allDesktops;
    XChangeProperty(connection,
                    window,
                    atom(connection, "_NET_WM_DESKTOP"),
                    XA_CARDINAL,
                    32,
                    PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&desktop),
                    1);
    addStatesBeforeMapping(connection, window, {sticky});
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
    const Window root = XDefaultRootWindow(connection);
    if (firstItem(connection, root, atom(connection, "_NET_SHOWING_DESKTOP"), XA_CARDINAL).value_or(0) != 0) {
        askWindowManager(connection, root, "_NET_SHOWING_DESKTOP", {0});
    }
    const Window id = window->winId();
    if (!isManaged(connection, id)) {
        // Unmapped by another program: the window manager let the window go and cleared the states it had.
        addStatesBeforeMapping(
            connection,
            id,
            {atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"), atom(connection, "_NET_WM_STATE_SKIP_PAGER")});
        if (window->isFullScreen()) {
            addStatesBeforeMapping(connection, id, {atom(connection, "_NET_WM_STATE_FULLSCREEN")});
        }
        if (window->isModal()) {
            addStatesBeforeMapping(connection, id, {atom(connection, "_NET_WM_STATE_MODAL")});
        }
    }
    putOnEveryDesktop(connection, id);
    // A window manager takes a withdrawn window in again when it is mapped, and a minimised one out of its icon.
    XMapWindow(connection, id);
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
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window->winId();
    event.xclient.message_type = atom(connection, "_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(
        connection, XDefaultRootWindow(connection), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
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
