// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * The options a showing reads for every video, as the option controls hold them at that moment: the order and the
 * sound on the main window, the display, random start and play length in the options window.
 */
class PlaybackOptions
{
public:
    virtual ~PlaybackOptions() = default;

    [[nodiscard]] virtual bool playRandomly() const = 0;
    [[nodiscard]] virtual bool playInOrder() const = 0;
    [[nodiscard]] virtual bool soundDisabled() const = 0;
    /** "Show Full Screen" rather than "Show Original". */
    [[nodiscard]] virtual bool showFullScreen() const = 0;
    [[nodiscard]] virtual bool startAtRandomPlace() const = 0;
    [[nodiscard]] virtual bool limitPlayLength() const = 0;
    /** The seconds each video plays when the play length is limited, as typed. */
    [[nodiscard]] virtual QString playLengthText() const = 0;
    /** The seconds over which each video fades in; 0 for a cut. */
    [[nodiscard]] virtual double fadeSeconds() const
    {
        return 0;
    }
};
