// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class QWidget;
class QWindow;

/**
 * While it lives, the keyboard and the pointer belong to the program: every key and every click, also those that
 * the window manager would take for its own shortcuts, goes to the given window, or to the dialog that stands in
 * front of it while one is open. A grab that another program holds is tried again until it is free. That is X11;
 * Wayland lets no program hold the input, and there the compositor is only asked to give that window the focus.
 * Elsewhere it does nothing.
 */
class InputGrab : public QObject
{
    Q_OBJECT

public:
    explicit InputGrab(QWidget* window);
    ~InputGrab() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void grab();
    void release();

    QPointer<QWidget> m_window;
    // Whether the window system lets the program hold the input (X11), or only ask for the focus (Wayland).
    const bool m_holds;
    // The window that the input should go to, and whether it still has to be given the focus.
    QPointer<QWidget> m_target;
    bool m_focusOwed = false;
    // The window that the input went to last.
    QPointer<QWindow> m_holder;
    QTimer m_retry;
};
