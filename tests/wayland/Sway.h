// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

/**
 * The compositor of the test session (wayland/wayland.sh), as its tools see it: sway's own account of its windows
 * (swaymsg), what the output shows (grim), and keys typed on the session's keyboard (wtype).
 */
class Sway
{
public:
    /** A window as sway tiles, floats or fills the output with it. */
    struct View
    {
        QString name;
        QString appId;
        qint64 pid = 0;
        bool fullScreen = false;
        bool visible = false;
        bool focused = false;
        /** An idle inhibitor of the window's holds off sway's idle action (swayidle's blanking and locking). */
        bool inhibitsIdle = false;
        QRect rect;
    };

    /** Every window of every workspace, visible or not. */
    [[nodiscard]] static QList<View> views();
    /** The outputs' areas in the layout, left to right; none when sway does not answer. */
    [[nodiscard]] static QList<QRect> outputAreas();
    /** What the outputs show now; a null image when it could not be taken. */
    [[nodiscard]] static QImage screenshot();
    /** Runs wtype with the arguments: "-k Escape" presses and releases a key by name, plain text is typed. */
    static bool type(const QStringList& arguments);

private:
    [[nodiscard]] static QByteArray run(const QString& program, const QStringList& arguments, bool* ok = nullptr);
};
