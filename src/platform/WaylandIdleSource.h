// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/IdleSource.h"

/**
 * The idle time from a Wayland compositor's ext-idle-notify-v1 protocol, for the compositors that are neither GNOME
 * nor KDE. It needs the program's own Wayland connection, which Qt 6.4 keeps to itself, and the compositors of this
 * Debian release (sway 1.7 and the others on wlroots 0.15) do not offer the protocol: so it says that it cannot
 * tell, with the reason, and the count stays with the main window's own input.
 */
class WaylandIdleSource : public IdleSource
{
public:
    [[nodiscard]] QString name() const override;
    void ask(std::function<void(const IdleAnswer&)> done) override;
};
