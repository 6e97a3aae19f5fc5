// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QOpenGLWindow>
#include <QPointF>

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
    explicit MpvVideoSurface(mpv_handle* mpv);
    ~MpvVideoSurface() override;

    /** Gives the render context back to mpv; nothing is drawn afterwards. Must come before mpv is destroyed. */
    void releaseRenderer();

    [[nodiscard]] bool hasRenderer() const
    {
        return m_render != nullptr;
    }

signals:
    /** mpv can draw now: the window is shown and its render context made. */
    void rendererReady();
    /** A frame of the video has been drawn. */
    void framePresented();

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
    static void requestUpdate(void* surface);
    void renderWhenReady();

    mpv_handle* m_mpv;
    mpv_render_context* m_render = nullptr;
    Qt::MouseButtons m_pressed;
};
