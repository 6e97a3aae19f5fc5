// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

/** The program's own icon, for the windows, the dialogs and the notification area. */
[[nodiscard]] inline QIcon programIcon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/icons/lumaveil-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}
