// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ScrollingSurface.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QWindow>

#include <algorithm>

ScrollingSurface::ScrollingSurface(QWidget* window, QSize designedSize)
    : QScrollArea(window)
    , m_window(window)
    , m_designed(designedSize)
{
    setFrameShape(QFrame::NoFrame);
    // Shown by the fitting alone: left to themselves, scroll bars that once came stay, as they take the room whose
    // lack brought them.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Not a stop of its own in the tab order: the controls are.
    setFocusPolicy(Qt::NoFocus);
    auto* surface = new QWidget;
    surface->setFixedSize(designedSize);
    setWidget(surface);
    // The window's own face shows through, as it does where nothing scrolls.
    surface->setAutoFillBackground(false);
    // A move that no control takes passes on to the window only through widgets that follow the mouse.
    for (QWidget* widget : {static_cast<QWidget*>(this), viewport(), surface}) {
        widget->setMouseTracking(true);
    }
    m_window->setFixedSize(designedSize);
    setGeometry(m_window->rect());
    // A hidden widget is laid out only when it first shows; the window asks what lies where before that, too.
    QResizeEvent laidOut(size(), QSize());
    QCoreApplication::sendEvent(this, &laidOut);
    m_window->installEventFilter(this);
}

bool ScrollingSurface::isBare(QPoint windowPoint) const
{
    const QWidget* child = m_window->childAt(windowPoint);
    return !child || child == widget() || child == viewport() || child == this;
}

QPointF ScrollingSurface::toSurface(QPointF windowPoint) const
{
    return windowPoint - QPointF(widget()->mapTo(m_window, QPoint(0, 0)));
}

bool ScrollingSurface::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_window) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Resize:
        setGeometry(m_window->rect());
        break;
    case QEvent::Show:
        // Sent before the window maps, so that it comes up at its fitted size.
        if (QWindow* handle = m_window->windowHandle()) {
            connect(handle, &QWindow::screenChanged, this, &ScrollingSurface::followScreen, Qt::UniqueConnection);
        }
        followScreen();
        break;
    case QEvent::Move:
    case QEvent::Paint:
        // The frame becomes known only after the window manager has framed the window, which it may do without
        // moving it; the first paint comes after that. The size is not changed while the window paints.
        if (const QWindow* handle = m_window->windowHandle(); handle && handle->frameMargins() != m_frame) {
            QMetaObject::invokeMethod(this, &ScrollingSurface::fitToScreen, Qt::QueuedConnection);
        }
        break;
    default:
        break;
    }
    return false;
}

void ScrollingSurface::keyPressEvent(QKeyEvent* event)
{
    // Keys go on to the window as they do where nothing scrolls; moving the focus brings its control into view.
    event->ignore();
}

void ScrollingSurface::followScreen()
{
    QScreen* screen = m_window->screen();
    if (screen != m_screen) {
        if (m_screen) {
            disconnect(m_screen, nullptr, this, nullptr);
        }
        m_screen = screen;
        if (screen) {
            connect(screen, &QScreen::availableGeometryChanged, this, &ScrollingSurface::fitToScreen);
        }
    }
    fitToScreen();
}

void ScrollingSurface::fitToScreen()
{
    const QScreen* screen = m_window->screen();
    if (!screen) {
        return;
    }
    if (const QWindow* handle = m_window->windowHandle()) {
        m_frame = handle->frameMargins();
    }
    const QRect area = screen->availableGeometry();
    const QSize room = area.size().shrunkBy(m_frame);
    // A scroll bar takes room across its direction. Where the screen has that room the window grows by the bar, so
    // that scrolling one way does not bring scrolling the other way too.
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    bool tall = false;
    bool wide = false;
    for (int pass = 0; pass < 2; ++pass) {
        tall = m_designed.height() + (wide ? bar : 0) > room.height();
        wide = m_designed.width() + (tall ? bar : 0) > room.width();
    }
    const QSize size = (m_designed + QSize(tall ? bar : 0, wide ? bar : 0)).boundedTo(room);
    setVerticalScrollBarPolicy(tall ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(wide ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    if (size == m_window->size() && !tall && !wide) {
        return;
    }
    // The window keeps its centre, moved as little as it takes to bring its frame within the screen's area.
    QRect client(QPoint(), size);
    client.moveCenter(m_window->geometry().center());
    const QRect framed = client.marginsAdded(m_frame);
    const int dx = std::clamp(framed.left(), area.left(), std::max(area.left(), area.right() - framed.width() + 1)) -
                   framed.left();
    const int dy =
        std::clamp(framed.top(), area.top(), std::max(area.top(), area.bottom() - framed.height() + 1)) - framed.top();
    client.translate(dx, dy);
    m_window->setFixedSize(size);
    if (client.topLeft() != m_window->geometry().topLeft()) {
        m_window->setGeometry(client);
    }
}
