// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/DBusQuery.h"
#include "desktop/DesktopHold.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <memory>

/**
 * Whether another program holds off the desktop's idle action, as the desktop's session or power manager tells on
 * the session bus. The question is a method that takes the kind of inhibition as flags and answers yes or no.
 *
 * The answer is kept until the service signals a change in its inhibitions, and for half a minute at most: asked on
 * every tick of a countdown, it costs a message only when something changed.
 */
class DBusInhibitionHold : public DesktopHold
{
public:
    struct Method : DBusMethod
    {
        quint32 flags = 0;
        /** The service's signals that tell of a change in its inhibitions. */
        QStringList changeSignals;
    };

    /** How long an answer is kept where no signal came. */
    static constexpr qint64 keepAnswerMs = 30000;

    DBusInhibitionHold(std::function<QDBusConnection()> bus, Method method);

    /** GNOME's session manager: IsInhibited with 8, the flag of an inhibited idle action. */
    [[nodiscard]] static std::unique_ptr<DBusInhibitionHold> gnome(std::function<QDBusConnection()> bus);
    /**
     * KDE's power management: HasInhibition with 4, the inhibitions of screen changes (dimming, blanking), which is
     * also where KDE keeps the inhibitions that programs take through org.freedesktop.ScreenSaver.
     */
    [[nodiscard]] static std::unique_ptr<DBusInhibitionHold> kde(std::function<QDBusConnection()> bus);

    [[nodiscard]] QString name() const override;
    void ask(std::function<void(const HoldAnswer&)> done) override;

private:
    void changed();

    std::function<QDBusConnection()> m_bus;
    Method m_method;
    QObject m_answers;
    DBusSignalWatch m_changes;
    bool m_watching = false;
    std::optional<bool> m_known;
    QElapsedTimer m_knownSince;
    // Counts the signalled changes, so that an answer given before a change is not kept after it.
    quint64 m_changeCount = 0;
};
