// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

/** State of the current showing that the main window and the playback windows share. */
struct PlaybackState
{
    /** The current showing must end. */
    bool StopRequested = false;
};
