// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DesktopBuses.h"

#include <QString>

#include <functional>
#include <memory>

class Dialogs;
class ErrorReporter;
class PasswordPrompter;
class RandomGenerator;
class SettingsStore;
class VideoPlayer;

/** What the main window works with; start-up passes the real ones, tests their stand-ins. */
struct Services
{
    SettingsStore& settings;
    Dialogs& dialogs;
    ErrorReporter& report;
    RandomGenerator& random;
    PasswordPrompter& prompter;
    /**
     * Makes the video player of a showing that plays in this process; it lives as long as the showing. Without it,
     * showings play in a process of their own, showingProgram started with its end of their connection.
     */
    std::function<std::unique_ptr<VideoPlayer>()> makePlayer;
    /** Where the optional skin, pointer and drag files are looked for. */
    QString programFolder;
    QString showingProgram{};
    DesktopBuses buses{};
};
