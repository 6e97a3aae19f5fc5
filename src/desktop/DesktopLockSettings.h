// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/**
 * The desktop's own lock after inactivity, as its settings set it: how long after the last input the session locks
 * itself, or nothing where it never does. Each reader reads one desktop's settings where that desktop keeps them; a
 * value that is broken counts as the desktop itself counts it, and nothing is ever said about it.
 */
namespace DesktopLockSettings {

/** GNOME's settings: org.gnome.desktop.session and org.gnome.desktop.screensaver, in seconds. */
struct GnomeValues
{
    bool lockEnabled = true;
    quint32 idleDelay = 300;
    quint32 lockDelay = 0;
    /** org.gnome.desktop.lockdown disable-lock-screen. */
    bool lockDisabled = false;
};

/** The session goes idle after idle-delay (0 is never), and locks lock-delay later. */
[[nodiscard]] std::optional<qint64> gnomeLockAfterMs(const GnomeValues& values);
/** GNOME's settings through GSettings; nothing where the schemas are not installed. */
[[nodiscard]] std::optional<GnomeValues> readGnome();

/**
 * KDE's screen locker from the texts of its kscreenlockerrc files, the system's first and the user's last:
 * [Daemon] Autolock (true unless set) and Timeout (minutes, 5 unless set).
 */
[[nodiscard]] std::optional<qint64> kdeLockAfterMs(const QStringList& fileTexts);
/** kscreenlockerrc in the folders of $XDG_CONFIG_DIRS, then in $XDG_CONFIG_HOME. */
[[nodiscard]] std::optional<qint64> readKde();

/**
 * xscreensaver from the text of ~/.xscreensaver (empty where there is none): it blanks after timeout, unless its
 * mode is off, and with lock: True locks lockTimeout later.
 */
[[nodiscard]] std::optional<qint64> xscreensaverLockAfterMs(const QString& fileText);
[[nodiscard]] std::optional<qint64> readXScreenSaver();

} // namespace DesktopLockSettings
