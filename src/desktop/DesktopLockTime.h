// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QObject;

/**
 * How long after the last input the running desktop locks the session by itself, where it does. Only the desktop
 * whose locker runs counts: GNOME where its shell owns org.gnome.ScreenSaver on the session bus, KDE where its screen
 * locker owns org.kde.screensaver, xscreensaver where its window is on the X display; their settings are read as
 * DesktopLockSettings reads them. An answer less than a second old serves again.
 */
class DesktopLockTime
{
public:
    using Answer = std::function<void(std::optional<qint64> lockAfterMs)>;

    enum class Locker
    {
        Absent,
        Gnome,
        Kde,
        XScreenSaver,
    };

    explicit DesktopLockTime(std::function<QDBusConnection()> sessionBus);

    /** Asks the session bus which locker runs and reads its settings; answer comes from the event loop. */
    void ask(QObject* context, Answer answer);

    /** The locker that runs, from the names owned on the session bus and whether xscreensaver's window is there. */
    [[nodiscard]] static Locker locker(const QStringList& busNames, bool xscreensaverRuns);
    /** Whether a window of xscreensaver is on the X display the program runs on. */
    [[nodiscard]] static bool xscreensaverRuns();
    /** The locker's lock time as its settings set it. */
    [[nodiscard]] static std::optional<qint64> lockAfterMs(Locker locker);

private:
    struct Last;

    std::function<QDBusConnection()> m_sessionBus;
    std::shared_ptr<Last> m_last;
};
