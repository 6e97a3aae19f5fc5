// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QOpenGLWindow>
#include <QPointF>
#include <QPointer>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

struct mpv_handle;
struct mpv_render_context;
class MirrorSurface;
class QOpenGLFramebufferObject;
class QOpenGLTextureBlitter;

/** An OpenGL window of the showing that passes key and mouse input on as signals. */
class VideoWindow : public QOpenGLWindow
{
    Q_OBJECT

public:
    /** Its context shares its objects with the program's other windows where the program has them share. */
    VideoWindow();

signals:
    void keyPressed(int key);
    void keyReleased(int key);
    void mousePressed(int button);
    void mouseReleased(int button);
    void clicked(int button);
    void mouseMoved(QPointF position);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    Qt::MouseButtons m_pressed;
};

/**
 * The OpenGL window that mpv draws into through its render API. A window of its own, rather than an OpenGL widget,
 * spares a copy of every frame through an offscreen buffer.
 *
 * Going from one instance's picture to the other's, it may fade: both pictures are drawn, the new one over the old
 * with a rising opacity. Where the picture is shown on other screens too (mirrors), each frame is drawn once into a
 * texture that the mirrors draw in turn.
 */
class MpvVideoSurface : public VideoWindow
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

    /**
     * Shows the picture of the given instance from now on; none (-1) leaves the window black. With fadeSeconds, the
     * new picture fades in over the one shown, or over black.
     */
    void showDeck(int deck, double fadeSeconds = 0);
    [[nodiscard]] int shownDeck() const
    {
        return m_shown;
    }
    /** Whether the instance's picture is on the screen: shown, or fading out. */
    [[nodiscard]] bool shows(int deck) const
    {
        return deck >= 0 && (deck == m_shown || (m_fading && deck == m_fadeFrom));
    }
    /** A fade on its way completes at once. */
    void endFade();

    /** A window that shows this window's picture, on another screen; none where OpenGL cannot share it. */
    [[nodiscard]] MirrorSurface* makeMirror();

signals:
    /** mpv can draw now: the window is shown and its render context made. */
    void rendererReady();
    /** A frame of the given instance's picture has been drawn. */
    void framePresented(int deck);
    /** The picture of the instance that faded out is off the screen. */
    void fadeFinished(int deck);
    /** A new picture is in pictureTexture(), for the mirrors. */
    void pictureChanged();

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    struct UpdateTarget
    {
        MpvVideoSurface* surface;
        int deck;
    };

    static void requestUpdate(void* target);
    void renderWhenReady(int deck);
    void render(int deck, unsigned framebuffer, QSize size);
    QOpenGLFramebufferObject& buffer(std::unique_ptr<QOpenGLFramebufferObject>& buffer, QSize size);

    friend class MirrorSurface;
    [[nodiscard]] unsigned pictureTexture() const;
    [[nodiscard]] QSize pictureSize() const;

    std::array<mpv_handle*, 2> m_mpv;
    std::array<mpv_render_context*, 2> m_render{};
    std::array<UpdateTarget, 2> m_targets;
    // The instances whose frames the last paint took, for mpv's timing.
    std::array<bool, 2> m_drawn{};
    int m_shown = -1;
    // The fade from m_fadeFrom (-1: black) to m_shown; the tick keeps it going where neither picture moves.
    bool m_fading = false;
    int m_fadeFrom = -1;
    double m_fadeSeconds = 0;
    QElapsedTimer m_fadeClock;
    QTimer m_fadeTick;
    // The new picture during a fade; the whole picture where mirrors show it.
    std::unique_ptr<QOpenGLFramebufferObject> m_incoming;
    std::unique_ptr<QOpenGLFramebufferObject> m_picture;
    std::unique_ptr<QOpenGLTextureBlitter> m_blitter;
    std::vector<QPointer<MirrorSurface>> m_mirrors;
};

/** Another screen's view of a video surface: it draws the surface's picture, scaled to fit. */
class MirrorSurface : public VideoWindow
{
    Q_OBJECT

public:
    explicit MirrorSurface(MpvVideoSurface* source);
    ~MirrorSurface() override;

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    QPointer<MpvVideoSurface> m_source;
    std::unique_ptr<QOpenGLTextureBlitter> m_blitter;
};
