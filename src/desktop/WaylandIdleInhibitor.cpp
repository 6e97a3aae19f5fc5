// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/WaylandIdleInhibitor.h"

#include "desktop/WaylandDesktop.h"

#include <QEvent>
#include <QGuiApplication>
#include <QWindow>
#include <qpa/qplatformnativeinterface.h>

#include <algorithm>
#include <cstring>
#include <idle-inhibit-unstable-v1-client-protocol.h>
#include <vector>
#include <wayland-client.h>

namespace {

// The compositor's inhibit manager on Qt's connection, learnt from a registry of the program's own there. Its events
// come with Qt's own dispatch, so the first inhibitor follows a moment after the first showing starts, and none waits
// for the compositor. Neither is ever destroyed: a registry has no destructor request, and Qt's connection lives on.
struct InhibitManager
{
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    zwp_idle_inhibit_manager_v1* manager = nullptr;
    quint32 name = 0;
    std::vector<WaylandIdleInhibitor*> living;
};

InhibitManager& inhibitManager()
{
    static InhibitManager shared;
    return shared;
}

void global(void*, wl_registry* registry, quint32 name, const char* interface, quint32)
{
    InhibitManager& shared = inhibitManager();
    if (shared.manager || std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) != 0) {
        return;
    }
    shared.manager = static_cast<zwp_idle_inhibit_manager_v1*>(
        wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
    shared.name = name;
    for (WaylandIdleInhibitor* inhibitor : shared.living) {
        inhibitor->follow();
    }
}

void globalRemoved(void*, wl_registry*, quint32 name)
{
    InhibitManager& shared = inhibitManager();
    if (shared.manager && name == shared.name) {
        zwp_idle_inhibit_manager_v1_destroy(std::exchange(shared.manager, nullptr));
    }
}

const wl_registry_listener registryListener{global, globalRemoved};

QPlatformNativeInterface* nativeInterface()
{
    return WaylandDesktop::isActive() ? QGuiApplication::platformNativeInterface() : nullptr;
}

} // namespace

WaylandIdleInhibitor::WaylandIdleInhibitor(QWidget* window)
    : m_window(window)
{
    QPlatformNativeInterface* native = nativeInterface();
    auto* display = native ? static_cast<wl_display*>(native->nativeResourceForIntegration("wl_display")) : nullptr;
    if (!display || !window) {
        return;
    }
    InhibitManager& shared = inhibitManager();
    if (!shared.registry) {
        shared.display = display;
        shared.registry = wl_display_get_registry(display);
        wl_registry_add_listener(shared.registry, &registryListener, nullptr);
    }
    shared.living.push_back(this);
    window->installEventFilter(this);
    follow();
}

WaylandIdleInhibitor::~WaylandIdleInhibitor()
{
    std::erase(inhibitManager().living, this);
    release();
}

void WaylandIdleInhibitor::follow()
{
    QWindow* handle = m_window ? m_window->windowHandle() : nullptr;
    if (handle != m_watchedHandle) {
        if (m_watchedHandle) {
            m_watchedHandle->removeEventFilter(this);
        }
        m_watchedHandle = handle;
        if (handle) {
            handle->installEventFilter(this);
        }
    }
    QPlatformNativeInterface* native = nativeInterface();
    auto* surface = native && handle && handle->handle()
                        ? static_cast<wl_surface*>(native->nativeResourceForWindow("surface", handle))
                        : nullptr;
    if (surface == m_surface && m_inhibitor) {
        return;
    }
    release();
    InhibitManager& shared = inhibitManager();
    if (!surface || !shared.manager) {
        return;
    }
    m_surface = surface;
    m_inhibitor = zwp_idle_inhibit_manager_v1_create_inhibitor(shared.manager, surface);
    wl_display_flush(shared.display);
}

void WaylandIdleInhibitor::release()
{
    if (m_inhibitor) {
        zwp_idle_inhibitor_v1_destroy(std::exchange(m_inhibitor, nullptr));
        wl_display_flush(inhibitManager().display);
    }
    m_surface = nullptr;
}

bool WaylandIdleInhibitor::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window && event->type() == QEvent::WinIdChange) {
        follow();
    } else if (watched == m_watchedHandle && event->type() == QEvent::Expose) {
        // A hidden window's surface is destroyed, and its next one may come at the same address.
        if (m_watchedHandle->isExposed()) {
            follow();
        } else {
            release();
        }
    }
    return QObject::eventFilter(watched, event);
}
