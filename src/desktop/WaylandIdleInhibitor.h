// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

struct wl_surface;
struct zwp_idle_inhibitor_v1;

/**
 * Holds off a Wayland compositor's own idle action (blanking, swayidle's lock, display power saving) while it lives,
 * with an idle inhibitor on the window's surface, which compositors honour while the surface is visible. It has to
 * be on Qt's own connection, where the surface lives; Qt 6.4 gives that and the surface only through its platform
 * native interface. Where the program does not run on Wayland, or the compositor has no idle-inhibit protocol, it
 * does nothing. When the window's surface is made anew (hidden and shown again), the inhibitor follows it.
 */
class WaylandIdleInhibitor : public QObject
{
public:
    explicit WaylandIdleInhibitor(QWidget* window);
    ~WaylandIdleInhibitor() override;
    WaylandIdleInhibitor(const WaylandIdleInhibitor&) = delete;
    WaylandIdleInhibitor& operator=(const WaylandIdleInhibitor&) = delete;

    /** Takes an inhibitor for the window's surface of now, unless it holds one for that surface already. */
    void follow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void release();

    QPointer<QWidget> m_window;
    QPointer<QWindow> m_watchedHandle;
    wl_surface* m_surface = nullptr;
    zwp_idle_inhibitor_v1* m_inhibitor = nullptr;
};
