// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/DesktopHold.h"

#include <QDBusConnection>
#include <QObject>

#include <memory>

/**
 * Whether another program holds off the desktop's idle action, as the desktop's session or power manager tells on
 * the session bus. The question is a method that takes the kind of inhibition as flags and answers yes or no.
 */
class DBusInhibitionHold : public DesktopHold
{
public:
    struct Method
    {
        QString service;
        QString path;
        QString interface;
        QString member;
        quint32 flags;
        QString name;
    };

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
    std::function<QDBusConnection()> m_bus;
    Method m_method;
    QObject m_answers;
};
