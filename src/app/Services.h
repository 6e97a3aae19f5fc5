// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class Dialogs;
class ErrorReporter;
class RandomGenerator;
class SettingsStore;
struct PlaybackState;

/** What the main window works with; start-up passes the real ones, tests their stand-ins. */
struct Services
{
    SettingsStore& settings;
    Dialogs& dialogs;
    ErrorReporter& report;
    RandomGenerator& random;
    PlaybackState& playback;
    /** Where the optional skin, pointer and drag files are looked for. */
    QString programFolder;
};
