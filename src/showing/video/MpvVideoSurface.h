// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QOpenGLWindow>
#include <QPointF>

#include <array>

struct mpv_handle;
struct mpv_render_context;

/**
 * The OpenGL window that mpv draws into through its render API. A window of its own, rather than an OpenGL widget,
 * spares a copy of every frame through an offscreen buffer. Key and mouse input on it is passed on as signals.
 */
class MpvVideoSurface : public QOpenGLWindow
{
    Q_OBJECT

public:
    /** Draws the pictures of two mpv instances, one at a time: the one that plays, while the other opens ahead. */
    explicit MpvVideoSurface(std::array<mpv_handle*, 2> decks);
    ~MpvVideoSurface() override;

    /** Gives the render context back to mpv; nothing is drawn afterwards. Must come before mpv is destroyed. */
    void releaseRenderer();

    [[nodiscard]] bool hasRenderer() const
    {
        return m_render[0] != nullptr && m_render[1] != nullptr;
    }

    /** Shows the picture of the given instance from now on; none (-1) leaves the window black. */
    void showDeck(int deck);
    [[nodiscard]] int shownDeck() const
    {
        return m_shown;
    }

signals:
    /** mpv can draw now: the window is shown and its render context made. */
    void rendererReady();
    /** A frame of the given instance's picture has been drawn. */
    void framePresented(int deck);

    void keyPressed(int key);
    void keyReleased(int key);
    void mousePressed(int button);
    void mouseReleased(int button);
    void clicked(int button);
    void mouseMoved(QPointF position);

protected:
    void initializeGL() override;
    void paintGL() override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    struct UpdateTarget
    {
        MpvVideoSurface* surface;
        int deck;
    };

    static void requestUpdate(void* target);
    void renderWhenReady(int deck);

    std::array<mpv_handle*, 2> m_mpv;
    std::array<mpv_render_context*, 2> m_render{};
    std::array<UpdateTarget, 2> m_targets;
    int m_shown = 0;
    Qt::MouseButtons m_pressed;
};
