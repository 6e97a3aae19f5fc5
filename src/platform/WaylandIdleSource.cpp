// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WaylandIdleSource.h"

#include <QCoreApplication>
#include <QGuiApplication>

QString WaylandIdleSource::name() const
{
    return QCoreApplication::translate("DesktopIdle", "the Wayland compositor's idle notifications");
}

void WaylandIdleSource::ask(std::function<void(const IdleAnswer&)> done)
{
    if (QGuiApplication::platformName() != QLatin1String("wayland")) {
        done(IdleAnswer{std::nullopt,
                        QCoreApplication::translate("DesktopIdle", "the program does not run on Wayland")});
        return;
    }
    done(IdleAnswer{std::nullopt,
                    QCoreApplication::translate(
                        "DesktopIdle", "the compositor's idle notifications are out of this program's reach")});
}
