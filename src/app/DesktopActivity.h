// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <limits>
#include <optional>

/** What the desktop told about one second of the countdown. */
struct DesktopActivity
{
    /**
     * Stands for the idle time on a tick that did not ask it: no input is known of, and the count goes on. It is
     * asked again before the count can end, and then says whether there was input meanwhile.
     */
    static constexpr qint64 NotAsked = std::numeric_limits<qint64>::max();

    /** Time since the last key or pointer input anywhere; none where the desktop does not tell it. */
    std::optional<qint64> idleMilliseconds;
    /** Another program holds off the desktop's idle action (a video player, a presentation). */
    bool inhibited = false;
    /** A window of another program is full screen where a showing would play. */
    bool fullScreen = false;

    [[nodiscard]] bool held() const
    {
        return inhibited || fullScreen;
    }
};
