// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's input: a key, a click or a move along both axes on its bare surface resets the countdown.
#include "app/Form1.h"
#include "desktop/SessionWatcher.h"
#include "system/GuardedRoutine.h"
#include "system/RoutinePaths.h"
#include "widgets/Controls.h"
#include "widgets/ScrollingSurface.h"
#include "widgets/Twips.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

void Form1::setMousePointer(int value)
{
    m_mousePointer = value;
    switch (value) {
    case vbHourglass:
        setCursor(Qt::WaitCursor);
        break;
    case vbCustom:
        setCursor(m_customPointer);
        break;
    default:
        unsetCursor();
        break;
    }
}

void Form1::handleInput(int code)
{
    if (code != 0) {
        m_sessionWatcher->inputSeen();
        StopTimer();
    }
}

void Form1::setKeyPreview(bool on)
{
    if (on == m_keyPreview) {
        return;
    }
    m_keyPreview = on;
    // Keys go to the focused control; only an application-wide filter sees them before it does.
    if (on) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove) {
        pointerMovedOver(watched);
        return false;
    }
    // Keys are the countdown's only while it previews them; otherwise they go to the controls as usual.
    if (!m_keyPreview || (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::InputMethod)) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this) {
        return false;
    }
    if (type == QEvent::InputMethod) {
        StopTimer();
        return true;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    // Tab moves between the controls; it is no input to the program.
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        return false;
    }
    // A release whose press went elsewhere is no input; it is left to the control.
    return keyInput(key, type == QEvent::KeyPress);
}

bool Form1::keyInput(int key, bool pressed)
{
    if (pressed) {
        m_keysDown.press(key);
    } else if (!m_keysDown.release(key)) {
        return false;
    }
    handleInput(key == 0 ? 1 : key);
    return true;
}

void Form1::keyPressEvent(QKeyEvent* event)
{
    keyInput(event->key(), true);
}

void Form1::keyReleaseEvent(QKeyEvent* event)
{
    keyInput(event->key(), false);
}

void Form1::mousePressEvent(QMouseEvent* event)
{
    // Presses that a control left unhandled arrive here too; only the bare surface counts.
    if (!m_surface->isBare(event->position().toPoint())) {
        return;
    }
    Form_MouseDown(Controls::buttonNumber(event->button()));
}

void Form1::Form_MouseDown(int button)
{
    GuardedRoutine routine(m_services.report, RoutinePath::Form1_Form_MouseDown);
    routine.step(100, [&] { handleInput(button); });
}

void Form1::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_surface->isBare(event->position().toPoint())) {
        return;
    }
    handleInput(Controls::buttonNumber(event->button()));
    if (rect().contains(event->position().toPoint())) {
        handleInput(1);
    }
}

void Form1::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_surface->isBare(event->position().toPoint())) {
        return;
    }
    if (m_mousePointer != vbHourglass) {
        setMousePointer(vbDefault);
    }
    // Positions on the surface as designed, wherever it is scrolled to.
    const QPointF position = m_surface->toSurface(event->position());
    const qint32 x = Twips::fromPixels(position.x());
    const qint32 y = Twips::fromPixels(position.y());
    const QSize screenSize = screen()->size();
    const qint32 screenWidth = screenSize.width() * Twips::perPixel;
    const qint32 screenHeight = screenSize.height() * Twips::perPixel;
    // Only a move along both axes counts; the screen size is the mark of "no position seen yet".
    if (LastMouseX != x && LastMouseY != y && LastMouseX != screenWidth && LastMouseY != screenHeight) {
        handleInput(1);
    }
    LastMouseX = x;
    LastMouseY = y;
}

void Form1::pointerMovedOver(QObject* control)
{
    // The busy pointer stays until the busy command itself resets it.
    if (m_mousePointer == vbHourglass) {
        return;
    }
    if (qobject_cast<QPushButton*>(control) && control->parent() == m_surface->widget()) {
        setMousePointer(vbCustom);
    } else if (control == Check3 || control == Check8 || control == Frame4 || control == Frame6 || control == Frame7 ||
               control == Frame9) {
        setMousePointer(vbDefault);
    }
}
