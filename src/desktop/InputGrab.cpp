// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/InputGrab.h"

#include "desktop/WaylandDesktop.h"
#include "desktop/X11Desktop.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

#include <cstdlib>
#include <utility>
#include <xcb/xcb.h>

namespace {

// How soon a grab that failed is tried again: a window is on the screen, and another program's menu or key
// combination let go, within moments.
constexpr int retryMilliseconds = 100;

} // namespace

InputGrab::InputGrab(QWidget* window)
    : m_window(window)
    , m_holds(X11Desktop::isActive())
{
    if (!m_holds && !WaylandDesktop::isActive()) {
        return;
    }
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &InputGrab::grab);
    // Dialogs that open and close in front of the window take the input and give it back.
    qApp->installEventFilter(this);
    grab();
}

InputGrab::~InputGrab()
{
    release();
}

bool InputGrab::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    const bool windowShownOrHidden = (type == QEvent::Show || type == QEvent::Hide) && watched->isWidgetType() &&
                                     static_cast<QWidget*>(watched)->isWindow();
    // A window is on the screen once it is exposed; only then can it take the input.
    if (windowShownOrHidden || (type == QEvent::Expose && watched->isWindowType())) {
        // Once the window that came, went or showed has been dealt with.
        m_retry.start(0);
    }
    return false;
}

// The input goes to the dialog in front while one is open, as a person expects: the password is typed there.
void InputGrab::grab()
{
    QWidget* target = QApplication::activeModalWidget();
    if (!target || !target->isVisible()) {
        target = m_window;
    }
    if (target != m_target) {
        m_target = target;
        m_focusOwed = true;
    }
    QWindow* holder = target && target->isVisible() ? target->windowHandle() : nullptr;
    if (!holder) {
        m_retry.start(retryMilliseconds);
        return;
    }
    if (!m_holds) {
        // Wayland: the compositor is asked to give the window the focus, as the person's last key or click was
        // meant for it. A compositor may refuse, or only mark the window as wanting attention.
        if (!holder->isExposed()) {
            m_retry.start(retryMilliseconds);
        } else if (std::exchange(m_focusOwed, false)) {
            target->activateWindow();
        }
        return;
    }
    // A second grab by this program moves the first to the new window. Both fail while the window is not yet on
    // the screen, or while another program holds the device.
    const bool keyboard = holder->setKeyboardGrabEnabled(true);
    const bool pointer = holder->setMouseGrabEnabled(true);
    if (!keyboard || !pointer) {
        m_retry.start(retryMilliseconds);
        return;
    }
    m_holder = holder;
    // The keys go to the window with the focus: the window that now holds them takes it, now that it is on the
    // screen, at once for the keys typed next, and from the window manager too, which may otherwise give it to
    // another window when a dialog closes.
    if (std::exchange(m_focusOwed, false)) {
        X11Desktop::focus(target);
        X11Desktop::bringToFront(target);
    }
}

void InputGrab::release()
{
    m_retry.stop();
    qApp->removeEventFilter(this);
    // Nothing was held; Qt's Wayland platform would warn at the release of a pointer grab.
    if (!m_holds) {
        return;
    }
    QWindow* holder = m_holder ? m_holder.data() : (m_window ? m_window->windowHandle() : nullptr);
    if (holder) {
        holder->setKeyboardGrabEnabled(false);
        holder->setMouseGrabEnabled(false);
    }
    // Qt sends its requests when it next waits for events. A lock screen that comes now (with the session's lock,
    // or because the program asks for it next) must find the keyboard and the pointer free at once: X11 lockers
    // give up when their grab fails.
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t* connection = x11 ? x11->connection() : nullptr) {
        // A round trip: the server has dealt with every request sent before it.
        std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    }
}
