// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/video/MpvVideoSurface.h"

#include "showing/video/MpvLibrary.h"
#include "widgets/Controls.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QOpenGLTextureBlitter>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <utility>

namespace {

// Only used once a player has found the library loaded.
const MpvLibrary& api()
{
    return *MpvLibrary::get();
}

void* procAddress(void*, const char* name)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

// A fade goes on at this pace at least, also while neither picture changes.
constexpr int fadeTickMilliseconds = 33;

// Draws a texture over the whole of the current framebuffer, as it stands in OpenGL's own order of rows.
void drawTexture(QOpenGLTextureBlitter& blitter, unsigned texture, const QRect& target, const QSize& viewport)
{
    const QRect whole(QPoint(0, 0), viewport);
    blitter.bind();
    blitter.blit(texture,
                 QOpenGLTextureBlitter::targetTransform(QRectF(target), whole),
                 QOpenGLTextureBlitter::OriginBottomLeft);
    blitter.release();
}

} // namespace

VideoWindow::VideoWindow()
    : QOpenGLWindow(QOpenGLContext::globalShareContext(), QOpenGLWindow::NoPartialUpdate)
{
    setCursor(Qt::BlankCursor);
}

MpvVideoSurface::MpvVideoSurface(std::array<mpv_handle*, 2> decks)
    : m_mpv(decks)
    , m_targets{UpdateTarget{this, 0}, UpdateTarget{this, 1}}
{
    m_fadeTick.setInterval(fadeTickMilliseconds);
    connect(&m_fadeTick, &QTimer::timeout, this, qOverload<>(&QPaintDeviceWindow::update));
    connect(this, &QOpenGLWindow::frameSwapped, this, [this] {
        for (int deck = 0; deck < 2; ++deck) {
            if (std::exchange(m_drawn[deck], false) && m_render[deck]) {
                api().render_context_report_swap(m_render[deck]);
            }
        }
    });
}

MpvVideoSurface::~MpvVideoSurface()
{
    releaseRenderer();
}

void MpvVideoSurface::releaseRenderer()
{
    if (!m_render[0] && !m_render[1]) {
        return;
    }
    // The context has to be current: mpv frees its textures and buffers, and so does this window.
    makeCurrent();
    for (mpv_render_context*& render : m_render) {
        if (render) {
            api().render_context_free(render);
            render = nullptr;
        }
    }
    m_incoming.reset();
    m_picture.reset();
    if (m_blitter) {
        m_blitter->destroy();
        m_blitter.reset();
    }
    doneCurrent();
}

void MpvVideoSurface::showDeck(int deck, double fadeSeconds)
{
    if (deck == m_shown) {
        return;
    }
    endFade();
    if (deck >= 0 && fadeSeconds > 0) {
        m_fading = true;
        m_fadeFrom = m_shown;
        m_fadeSeconds = fadeSeconds;
        m_fadeClock.start();
        m_fadeTick.start();
    }
    m_shown = deck;
    // The picture the new one holds ready is drawn at once.
    update();
}

void MpvVideoSurface::endFade()
{
    if (!m_fading) {
        return;
    }
    m_fading = false;
    m_fadeTick.stop();
    update();
    if (const int from = std::exchange(m_fadeFrom, -1); from >= 0) {
        emit fadeFinished(from);
    }
}

MirrorSurface* MpvVideoSurface::makeMirror()
{
    // The texture is passed between the windows' contexts, which have to share their objects.
    if (!QOpenGLContext::globalShareContext()) {
        return nullptr;
    }
    auto* mirror = new MirrorSurface(this);
    m_mirrors.emplace_back(mirror);
    update();
    return mirror;
}

unsigned MpvVideoSurface::pictureTexture() const
{
    return m_picture ? m_picture->texture() : 0;
}

QSize MpvVideoSurface::pictureSize() const
{
    return m_picture ? m_picture->size() : QSize();
}

void MpvVideoSurface::initializeGL()
{
    mpv_opengl_init_params glInit{procAddress, nullptr};
    int advancedControl = 0;
    std::vector<mpv_render_param> params{
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char*>(MPV_RENDER_API_TYPE_OPENGL)},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        {MPV_RENDER_PARAM_ADVANCED_CONTROL, &advancedControl},
    };
    // With the X display, mpv can hand hardware-decoded frames to OpenGL without copying them.
    if (auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
        params.push_back({MPV_RENDER_PARAM_X11_DISPLAY, x11->display()});
    }
    params.push_back({MPV_RENDER_PARAM_INVALID, nullptr});
    for (int deck = 0; deck < 2; ++deck) {
        if (api().render_context_create(&m_render[deck], m_mpv[deck], params.data()) < 0) {
            m_render[deck] = nullptr;
            return;
        }
        api().render_context_set_update_callback(m_render[deck], &MpvVideoSurface::requestUpdate, &m_targets[deck]);
    }
    emit rendererReady();
}

// Called on one of mpv's threads: only hand the work to this window's thread.
void MpvVideoSurface::requestUpdate(void* target)
{
    const auto* update = static_cast<const UpdateTarget*>(target);
    QMetaObject::invokeMethod(
        update->surface,
        [surface = update->surface, deck = update->deck] { surface->renderWhenReady(deck); },
        Qt::QueuedConnection);
}

void MpvVideoSurface::renderWhenReady(int deck)
{
    if (!m_render[deck] || !(api().render_context_update(m_render[deck]) & MPV_RENDER_UPDATE_FRAME)) {
        return;
    }
    if (shows(deck)) {
        update();
        return;
    }
    // An instance that is not shown keeps its picture waiting until it is. Its frame is taken without drawing it, as
    // mpv waits up to a fifth of a second for each frame to be drawn before it goes on: the first picture of a file
    // is ready that much sooner.
    if (!isExposed()) {
        return;
    }
    makeCurrent();
    int skip = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_SKIP_RENDERING, &skip},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    api().render_context_render(m_render[deck], params);
    api().render_context_report_swap(m_render[deck]);
    doneCurrent();
}

void MpvVideoSurface::render(int deck, unsigned framebuffer, QSize size)
{
    mpv_opengl_fbo fbo{static_cast<int>(framebuffer), size.width(), size.height(), 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    api().render_context_render(m_render[deck], params);
    m_drawn[deck] = true;
}

QOpenGLFramebufferObject& MpvVideoSurface::buffer(std::unique_ptr<QOpenGLFramebufferObject>& buffer, QSize size)
{
    if (!buffer || buffer->size() != size) {
        buffer = std::make_unique<QOpenGLFramebufferObject>(size);
    }
    return *buffer;
}

// Without a fade or mirrors, mpv draws straight into the window. During a fade it draws the old picture there and the
// new one into a texture, laid over it; where mirrors show the picture, all goes into their texture first.
void MpvVideoSurface::paintGL()
{
    QOpenGLFunctions* gl = context()->functions();
    const QSize size = (QSizeF(this->size()) * devicePixelRatio()).toSize();
    std::erase_if(m_mirrors, [](const QPointer<MirrorSurface>& mirror) { return !mirror; });
    const bool mirrored = !m_mirrors.empty();
    const bool composed = mirrored || m_fading;
    if (composed && !m_blitter) {
        m_blitter = std::make_unique<QOpenGLTextureBlitter>();
        m_blitter->create();
    }
    const unsigned target = mirrored ? buffer(m_picture, size).handle() : defaultFramebufferObject();
    const auto drawBase = [&](int deck) {
        if (deck >= 0 && m_render[deck]) {
            render(deck, target, size);
            return;
        }
        gl->glBindFramebuffer(GL_FRAMEBUFFER, target);
        gl->glClearColor(0, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
    };
    drawBase(m_fading ? m_fadeFrom : m_shown);
    double opacity = 1;
    if (m_fading && m_shown >= 0 && m_render[m_shown]) {
        opacity = std::clamp(m_fadeClock.elapsed() / (m_fadeSeconds * 1000), 0.0, 1.0);
        QOpenGLFramebufferObject& incoming = buffer(m_incoming, size);
        render(m_shown, incoming.handle(), size);
        gl->glBindFramebuffer(GL_FRAMEBUFFER, target);
        gl->glViewport(0, 0, size.width(), size.height());
        gl->glEnable(GL_BLEND);
        gl->glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        m_blitter->setOpacity(float(opacity));
        drawTexture(*m_blitter, incoming.texture(), QRect(QPoint(0, 0), size), size);
        m_blitter->setOpacity(1);
        gl->glDisable(GL_BLEND);
    }
    if (mirrored) {
        gl->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
        gl->glViewport(0, 0, size.width(), size.height());
        drawTexture(*m_blitter, m_picture->texture(), QRect(QPoint(0, 0), size), size);
        // The mirrors' contexts read the texture: it has to be complete first.
        gl->glFlush();
        emit pictureChanged();
    }
    if (m_shown >= 0) {
        emit framePresented(m_shown);
    }
    if (m_fading && opacity >= 1) {
        QMetaObject::invokeMethod(this, &MpvVideoSurface::endFade, Qt::QueuedConnection);
    }
}

void VideoWindow::keyPressEvent(QKeyEvent* event)
{
    emit keyPressed(event->key() == 0 ? 1 : event->key());
}

void VideoWindow::keyReleaseEvent(QKeyEvent* event)
{
    emit keyReleased(event->key() == 0 ? 1 : event->key());
}

void VideoWindow::mousePressEvent(QMouseEvent* event)
{
    m_pressed |= event->button();
    emit mousePressed(Controls::buttonNumber(event->button()));
}

void VideoWindow::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = m_pressed.testFlag(event->button());
    m_pressed &= ~event->button();
    emit mouseReleased(Controls::buttonNumber(event->button()));
    if (wasPressed) {
        emit clicked(Controls::buttonNumber(event->button()));
    }
}

void VideoWindow::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->position());
}

MirrorSurface::MirrorSurface(MpvVideoSurface* source)
    : m_source(source)
{
    connect(source, &MpvVideoSurface::pictureChanged, this, qOverload<>(&QPaintDeviceWindow::update));
}

MirrorSurface::~MirrorSurface()
{
    if (m_blitter && context()) {
        makeCurrent();
        m_blitter->destroy();
        doneCurrent();
    }
}

void MirrorSurface::initializeGL()
{
    m_blitter = std::make_unique<QOpenGLTextureBlitter>();
    m_blitter->create();
}

// The picture keeps its shape: scaled to fit, centred, black beside it.
void MirrorSurface::paintGL()
{
    QOpenGLFunctions* gl = context()->functions();
    const unsigned texture = m_source ? m_source->pictureTexture() : 0;
    const QSize size = (QSizeF(this->size()) * devicePixelRatio()).toSize();
    const QSize picture = texture ? m_source->pictureSize().scaled(size, Qt::KeepAspectRatio) : QSize();
    // Black only where the picture leaves room: on a screen of the same shape, it covers all.
    if (picture != size) {
        gl->glClearColor(0, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
    }
    if (texture == 0) {
        return;
    }
    const QRect target(QPoint((size.width() - picture.width()) / 2, (size.height() - picture.height()) / 2), picture);
    gl->glViewport(0, 0, size.width(), size.height());
    drawTexture(*m_blitter, texture, target, size);
}
