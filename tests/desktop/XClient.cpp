// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/XClient.h"

#include "desktop/Processes.h"

#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/scrnsaver.h>
#include <memory>
#include <thread>

namespace {

template <typename T> struct XFreeDeleter
{
    void operator()(T* data) const
    {
        if (data) {
            XFree(data);
        }
    }
};
template <typename T> using XOwned = std::unique_ptr<T, XFreeDeleter<T>>;

} // namespace

XClient::XClient()
    : m_display(XOpenDisplay(nullptr))
{
    // A window that goes while it is looked at (a program ended after a failed check), or a screen area that a
    // monitor switched off took away, is no reason to end the whole test, as Xlib's own handler would: the call
    // fails, and what it answers shows it.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    if (m_display) {
        m_root = XDefaultRootWindow(m_display);
    }
}

XClient::~XClient()
{
    if (m_display) {
        XCloseDisplay(m_display);
    }
}

unsigned long XClient::atom(const char* name) const
{
    return XInternAtom(m_display, name, False);
}

void XClient::sync() const
{
    XSync(m_display, False);
}

QList<unsigned long> XClient::cardinals(Window window, const char* property, unsigned long type) const
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    QList<unsigned long> result;
    if (XGetWindowProperty(
            m_display, window, atom(property), 0, 4096, False, type, &actualType, &format, &count, &remaining, &data) !=
        Success) {
        return result;
    }
    XOwned<unsigned char> owned(data);
    if (actualType != type || format != 32) {
        return result;
    }
    // Xlib hands 32-bit items over as longs.
    const auto* items = reinterpret_cast<const unsigned long*>(data);
    for (unsigned long i = 0; i < count; ++i) {
        result.append(items[i]);
    }
    return result;
}

QList<XClient::Window> XClient::clientsByStacking() const
{
    return cardinals(m_root, "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
}

QString XClient::title(Window window) const
{
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(m_display,
                           window,
                           atom("_NET_WM_NAME"),
                           0,
                           1024,
                           False,
                           atom("UTF8_STRING"),
                           &actualType,
                           &format,
                           &count,
                           &remaining,
                           &data) == Success &&
        data) {
        XOwned<unsigned char> owned(data);
        return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
    }
    return {};
}

QList<XClient::Window> XClient::windowsOf(qint64 pid, const QString& titlePrefix) const
{
    QList<Window> result;
    for (Window window : clientsByStacking()) {
        const QList<unsigned long> owner = cardinals(window, "_NET_WM_PID", XA_CARDINAL);
        if (!owner.isEmpty() && isOrIsChildOf(qint64(owner.first()), pid) && title(window).startsWith(titlePrefix)) {
            result.append(window);
        }
    }
    return result;
}

XClient::Window XClient::windowOf(qint64 pid, const QString& titlePrefix) const
{
    const QList<Window> windows = windowsOf(pid, titlePrefix);
    return windows.isEmpty() ? 0 : windows.last();
}

int XClient::wmState(Window window) const
{
    const QList<unsigned long> state = cardinals(window, "WM_STATE", atom("WM_STATE"));
    return state.isEmpty() ? -1 : int(state.first());
}

QStringList XClient::netWmState(Window window) const
{
    QStringList names;
    for (unsigned long state : cardinals(window, "_NET_WM_STATE", XA_ATOM)) {
        if (char* name = XGetAtomName(m_display, state)) {
            names.append(QString::fromLatin1(name));
            XFree(name);
        }
    }
    return names;
}

bool XClient::isViewable(Window window) const
{
    XWindowAttributes attributes;
    return XGetWindowAttributes(m_display, window, &attributes) && attributes.map_state == IsViewable;
}

QRect XClient::geometry(Window window) const
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(m_display, window, &attributes)) {
        return {};
    }
    int x = 0;
    int y = 0;
    ::Window child = 0;
    XTranslateCoordinates(m_display, window, m_root, 0, 0, &x, &y, &child);
    return QRect(x, y, attributes.width, attributes.height);
}

XClient::Window XClient::focusedClient() const
{
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    // The focus may sit on a child of the client window (Qt focuses a child of its own); the client is the
    // window that carries WM_STATE.
    const QList<Window> clients = clientsByStacking();
    for (Window window = focus; window != 0 && window != m_root;) {
        if (clients.contains(window)) {
            return window;
        }
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, window, &root, &parent, &children, &count)) {
            break;
        }
        XOwned<::Window> owned(children);
        window = parent;
    }
    return 0;
}

XClient::Window XClient::activeWindow() const
{
    const QList<unsigned long> active = cardinals(m_root, "_NET_ACTIVE_WINDOW", XA_WINDOW);
    return active.isEmpty() ? 0 : active.first();
}

long XClient::rootCardinal(const char* property) const
{
    return cardinal(m_root, property);
}

long XClient::cardinal(Window window, const char* property) const
{
    const QList<unsigned long> values = cardinals(window, property, XA_CARDINAL);
    // Xlib widens the 32 bits with their sign: 0xFFFFFFFF, "every desktop", would read as -1.
    return values.isEmpty() ? -1 : long(values.first() & 0xFFFFFFFFUL);
}

QList<XClient::Window> XClient::rootChildren() const
{
    return children(m_root);
}

QList<XClient::Window> XClient::children(Window window) const
{
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned int count = 0;
    QList<Window> result;
    if (XQueryTree(m_display, window, &root, &parent, &children, &count)) {
        XOwned<::Window> owned(children);
        for (unsigned int i = 0; i < count; ++i) {
            result.append(children[i]);
        }
    }
    return result;
}

QList<XClient::Window> XClient::openMenus(qint64 pid) const
{
    QList<Window> menus;
    for (Window window : rootChildren()) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(m_display, window, &attributes) || attributes.map_state != IsViewable ||
            !attributes.override_redirect ||
            !cardinals(window, "_NET_WM_PID", XA_CARDINAL).contains(static_cast<unsigned long>(pid)) ||
            cardinals(window, "_NET_WM_WINDOW_TYPE", XA_ATOM).contains(atom("_NET_WM_WINDOW_TYPE_TOOLTIP"))) {
            continue;
        }
        menus.append(window);
    }
    return menus;
}

XClient::Window XClient::transientFor(Window window) const
{
    ::Window owner = 0;
    return XGetTransientForHint(m_display, window, &owner) ? owner : 0;
}

XClient::Window XClient::topLevelOf(Window window) const
{
    while (window != 0) {
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(m_display, window, &root, &parent, &children, &count)) {
            return 0;
        }
        XOwned<::Window> owned(children);
        if (parent == m_root) {
            return window;
        }
        window = parent;
    }
    return 0;
}

bool XClient::isAbove(Window upper, Window lower) const
{
    const QList<Window> stacking = rootChildren();
    const qsizetype upperIndex = stacking.indexOf(topLevelOf(upper));
    const qsizetype lowerIndex = stacking.indexOf(topLevelOf(lower));
    return upperIndex >= 0 && lowerIndex >= 0 && upperIndex > lowerIndex;
}

QList<XClient::Window> XClient::windowsOfClass(const QString& className, Window within) const
{
    QList<Window> found;
    QList<Window> pending{within != 0 ? within : m_root};
    while (!pending.isEmpty()) {
        const Window window = pending.takeFirst();
        XClassHint hint{};
        if (XGetClassHint(m_display, window, &hint)) {
            const bool matches = QString::fromLatin1(hint.res_class).compare(className, Qt::CaseInsensitive) == 0 ||
                                 QString::fromLatin1(hint.res_name).compare(className, Qt::CaseInsensitive) == 0;
            XFree(hint.res_name);
            XFree(hint.res_class);
            if (matches) {
                found.append(window);
            }
        }
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(m_display, window, &root, &parent, &children, &count)) {
            XOwned<::Window> owned(children);
            for (unsigned int i = 0; i < count; ++i) {
                pending.append(children[i]);
            }
        }
    }
    return found;
}

XClient::Window XClient::trayIcon() const
{
    for (Window host : windowsOfClass(QStringLiteral("trayer"))) {
        if (const QList<Window> icons = windowsOfClass(QStringLiteral("lumaveil"), host); !icons.isEmpty()) {
            return icons.first();
        }
    }
    return 0;
}

void XClient::keys(const QStringList& names, std::chrono::milliseconds hold)
{
    QList<KeyCode> codes;
    for (const QString& name : names) {
        const KeySym symbol = XStringToKeysym(name.toLatin1().constData());
        codes.append(XKeysymToKeycode(m_display, symbol));
    }
    for (KeyCode code : codes) {
        XTestFakeKeyEvent(m_display, code, True, CurrentTime);
        XSync(m_display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    std::this_thread::sleep_for(hold);
    for (auto it = codes.crbegin(); it != codes.crend(); ++it) {
        XTestFakeKeyEvent(m_display, *it, False, CurrentTime);
        XSync(m_display, False);
    }
}

void XClient::type(const QString& text)
{
    for (QChar character : text) {
        // Letters and digits are their own keysym names.
        key(QString(character), std::chrono::milliseconds(40));
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
    }
}

void XClient::movePointer(QPoint rootPosition)
{
    XTestFakeMotionEvent(m_display, -1, rootPosition.x(), rootPosition.y(), CurrentTime);
    XSync(m_display, False);
}

void XClient::click(int button, std::chrono::milliseconds hold)
{
    XTestFakeButtonEvent(m_display, static_cast<unsigned int>(button), True, CurrentTime);
    XSync(m_display, False);
    std::this_thread::sleep_for(hold);
    XTestFakeButtonEvent(m_display, static_cast<unsigned int>(button), False, CurrentTime);
    XSync(m_display, False);
}

void XClient::clickAt(QPoint rootPosition, int button)
{
    movePointer(rootPosition);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    click(button);
}

QPoint XClient::pointer() const
{
    ::Window root = 0;
    ::Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned int mask = 0;
    XQueryPointer(m_display, m_root, &root, &child, &rootX, &rootY, &x, &y, &mask);
    return QPoint(rootX, rootY);
}

bool XClient::keyboardGrabbedElsewhere() const
{
    const int status = XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    if (status == GrabSuccess) {
        XUngrabKeyboard(m_display, CurrentTime);
    }
    XSync(m_display, False);
    return status == AlreadyGrabbed || status == GrabFrozen;
}

bool XClient::pointerGrabbedElsewhere() const
{
    const int status = XGrabPointer(m_display, m_root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime);
    if (status == GrabSuccess) {
        XUngrabPointer(m_display, CurrentTime);
    }
    XSync(m_display, False);
    return status == AlreadyGrabbed || status == GrabFrozen;
}

bool XClient::grabKeyboard()
{
    const int status = XGrabKeyboard(m_display, m_root, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XSync(m_display, False);
    return status == GrabSuccess;
}

void XClient::releaseKeyboard()
{
    XUngrabKeyboard(m_display, CurrentTime);
    XSync(m_display, False);
}

void XClient::setScreenSaver(int timeoutSeconds)
{
    XSetScreenSaver(m_display, timeoutSeconds, timeoutSeconds, DontPreferBlanking, AllowExposures);
    XSync(m_display, False);
}

int XClient::screenSaverState() const
{
    XScreenSaverInfo info{};
    XScreenSaverQueryInfo(m_display, m_root, &info);
    return info.state;
}

double XClient::idleSeconds() const
{
    XScreenSaverInfo info{};
    XScreenSaverQueryInfo(m_display, m_root, &info);
    return info.idle / 1000.0;
}

QImage XClient::grab(QRect area) const
{
    XImage* image = XGetImage(m_display,
                              m_root,
                              area.x(),
                              area.y(),
                              static_cast<unsigned int>(area.width()),
                              static_cast<unsigned int>(area.height()),
                              AllPlanes,
                              ZPixmap);
    if (!image) {
        return {};
    }
    QImage result(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            result.setPixel(x, y, static_cast<QRgb>(XGetPixel(image, x, y)) | 0xff000000u);
        }
    }
    XDestroyImage(image);
    return result;
}

void XClient::clientMessage(Window window, const char* type, std::initializer_list<long> data)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = atom(type);
    event.xclient.format = 32;
    int i = 0;
    for (long value : data) {
        event.xclient.data.l[i++] = value;
    }
    XSendEvent(m_display, m_root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XSync(m_display, False);
}

void XClient::requestClose(Window window)
{
    // Source 2: a pager or taskbar, on the user's behalf.
    clientMessage(window, "_NET_CLOSE_WINDOW", {CurrentTime, 2});
}

void XClient::requestMinimise(Window window)
{
    clientMessage(window, "WM_CHANGE_STATE", {IconicState});
}

void XClient::requestActivate(Window window)
{
    clientMessage(window, "_NET_ACTIVE_WINDOW", {2, CurrentTime, 0});
}
