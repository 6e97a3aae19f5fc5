// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

/**
 * What a showing asks of an X11 desktop beyond what Qt offers. Elsewhere (Wayland, the offscreen platform of the
 * tests) every call does nothing.
 */
namespace X11Desktop {

/** Whether the program runs on an X display. */
[[nodiscard]] bool isActive();

/** No entry in taskbars, pagers and window switchers; takes effect when the window is first shown. */
void keepOffTaskbars(QWidget* window);

/**
 * Puts the window on every desktop (sticky): a switch of desktops leaves it in view. Before the window is first
 * shown, a hint for the window manager; after, a request to it.
 */
void keepOnEveryDesktop(QWidget* window);

/**
 * Shows again a window that another program had the window manager put away: moved to another desktop, minimised,
 * hidden to show the desktop, or unmapped. It comes back on every desktop, full screen or modal as it was shown,
 * off taskbars and pagers, and the desktop is no longer shown. Raising it is left to the caller.
 */
void returnToView(QWidget* window);

/**
 * Brings the window to the front with the input focus, as a pager or taskbar does on the user's behalf: a window
 * manager that keeps programs from stealing the focus lets it through.
 */
void bringToFront(QWidget* window);

/**
 * Gives the window the input focus at once, without waiting for the window manager. Only for a window on the
 * screen, and while the program holds the keyboard: the keys typed next reach it.
 */
void focus(QWidget* window);

/** Keeps the server's own screen saver and its display power saving from going on: on while it lives. */
class ScreenSaverSuspension
{
public:
    ScreenSaverSuspension();
    ~ScreenSaverSuspension();
    ScreenSaverSuspension(const ScreenSaverSuspension&) = delete;
    ScreenSaverSuspension& operator=(const ScreenSaverSuspension&) = delete;

private:
    bool m_suspended = false;
};

} // namespace X11Desktop
