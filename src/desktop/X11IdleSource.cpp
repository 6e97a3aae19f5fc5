// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/X11IdleSource.h"

#include <QCoreApplication>
#include <QGuiApplication>

// Xlib last: its macros clash with Qt's names.
#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

namespace {

Display* display()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->display() : nullptr;
}

QString whyUnusable(Display* connection)
{
    int eventBase = 0;
    int errorBase = 0;
    if (!XScreenSaverQueryExtension(connection, &eventBase, &errorBase)) {
        return QCoreApplication::translate("DesktopIdle", "the X server has no screen saver extension");
    }
    int opcode = 0;
    if (XQueryExtension(connection, "XWAYLAND", &opcode, &eventBase, &errorBase)) {
        return QCoreApplication::translate("DesktopIdle", "Xwayland sees only the input to X programs");
    }
    return {};
}

} // namespace

QString X11IdleSource::name() const
{
    return QCoreApplication::translate("DesktopIdle", "the X server's screen saver extension");
}

void X11IdleSource::ask(std::function<void(const IdleAnswer&)> done)
{
    Display* connection = display();
    if (!connection) {
        done(IdleAnswer{std::nullopt,
                        QCoreApplication::translate("DesktopIdle", "the program does not run on an X display")});
        return;
    }
    if (!m_unusable) {
        m_unusable = whyUnusable(connection);
    }
    if (!m_unusable->isEmpty()) {
        done(IdleAnswer{std::nullopt, *m_unusable});
        return;
    }
    XScreenSaverInfo info{};
    if (!XScreenSaverQueryInfo(connection, XDefaultRootWindow(connection), &info)) {
        done(IdleAnswer{std::nullopt,
                        QCoreApplication::translate("DesktopIdle", "the X server did not tell its idle time")});
        return;
    }
    done(IdleAnswer{qint64(info.idle), {}});
}
