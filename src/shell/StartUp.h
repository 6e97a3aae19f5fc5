// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * Starting the program at logon, through the user's own autostart entry ("lumaveil.desktop" in the autostart folder
 * of the user's configuration folder). No rights beyond the user's own are needed.
 */

/** Writes the entry that starts the running program at logon. Returns what went wrong, or an empty text. */
[[nodiscard]] QString AddToStartup();
/** Removes the entry, if there is one. Returns what went wrong, or an empty text. */
[[nodiscard]] QString RemoveFromStartup();

/** Where the entry lives: $XDG_CONFIG_HOME/autostart/lumaveil.desktop, or ~/.config/autostart/lumaveil.desktop. */
[[nodiscard]] QString autostartEntryPath();
/** The entry's text for a program at the given absolute path. */
[[nodiscard]] QString autostartEntry(const QString& programPath);
/** The program path as one argument of an Exec line, quoted and escaped as desktop entries require. */
[[nodiscard]] QString desktopExecArgument(const QString& programPath);
