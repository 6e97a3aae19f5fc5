// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DesktopHold.h"

/**
 * Whether a window of another program is full screen on the primary screen, where a showing plays: the active
 * window or any other top-level window on the screen whose window manager state holds _NET_WM_STATE_FULLSCREEN.
 * This program's own windows do not count. It answers at once.
 */
class X11FullScreenHold : public DesktopHold
{
public:
    [[nodiscard]] QString name() const override;
    void ask(std::function<void(const HoldAnswer&)> done) override;
};
