// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMargins>
#include <QPointer>
#include <QScrollArea>

class QScreen;

/**
 * The client area of a window whose controls are placed at fixed designed positions. Where the window fits the
 * available area of its screen, it keeps its designed size and nothing scrolls. Where it does not (a small screen,
 * a large scale factor), the window shrinks to fit and its surface scrolls, with scroll bars only then.
 *
 * Controls go on widget(), at their designed places. Mouse input that no control takes passes on to the window,
 * as it does without scrolling; so do keys.
 */
class ScrollingSurface : public QScrollArea
{
    Q_OBJECT

public:
    ScrollingSurface(QWidget* window, QSize designedSize);

    /** Whether the point of the window (in its coordinates) shows the bare surface, with no control on it. */
    [[nodiscard]] bool isBare(QPoint windowPoint) const;
    /** The point of the window (in its coordinates) on the surface, as the design places it. */
    [[nodiscard]] QPointF toSurface(QPointF windowPoint) const;

    /** Sizes the window to its design, or to its screen's available area where the design does not fit. */
    void fitToScreen();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void followScreen();

    QWidget* m_window;
    QSize m_designed;
    // The window frame as last seen; it becomes known only once the window manager has framed the window.
    QMargins m_frame;
    QPointer<QScreen> m_screen;
};
