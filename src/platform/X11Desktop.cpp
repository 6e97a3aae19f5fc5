// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/X11Desktop.h"

#include <QGuiApplication>
#include <QWidget>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
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
