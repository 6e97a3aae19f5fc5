// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/video/MpvVideoSurface.h"

#include "showing/video/MpvLibrary.h"
#include "widgets/Controls.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QtGui/qguiapplication_platform.h>

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

} // namespace

MpvVideoSurface::MpvVideoSurface(std::array<mpv_handle*, 2> decks)
    : QOpenGLWindow(QOpenGLWindow::NoPartialUpdate)
    , m_mpv(decks)
    , m_targets{UpdateTarget{this, 0}, UpdateTarget{this, 1}}
{
    setCursor(Qt::BlankCursor);
    connect(this, &QOpenGLWindow::frameSwapped, this, [this] {
        if (m_shown >= 0 && m_render[m_shown]) {
            api().render_context_report_swap(m_render[m_shown]);
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
    // The context has to be current: mpv frees its textures and buffers.
    makeCurrent();
    for (mpv_render_context*& render : m_render) {
        if (render) {
            api().render_context_free(render);
            render = nullptr;
        }
    }
    doneCurrent();
}

void MpvVideoSurface::showDeck(int deck)
{
    if (deck == m_shown) {
        return;
    }
    m_shown = deck;
    // The picture the new one holds ready is drawn at once.
    update();
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
    if (deck == m_shown) {
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

void MpvVideoSurface::paintGL()
{
    mpv_render_context* render = m_shown >= 0 ? m_render[m_shown] : nullptr;
    if (!render) {
        QOpenGLFunctions* gl = context()->functions();
        gl->glClearColor(0, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    const qreal ratio = devicePixelRatio();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()),
                       static_cast<int>(width() * ratio),
                       static_cast<int>(height() * ratio),
                       0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    api().render_context_render(render, params);
    emit framePresented(m_shown);
}

void MpvVideoSurface::keyPressEvent(QKeyEvent* event)
{
    emit keyPressed(event->key() == 0 ? 1 : event->key());
}

void MpvVideoSurface::keyReleaseEvent(QKeyEvent* event)
{
    emit keyReleased(event->key() == 0 ? 1 : event->key());
}

void MpvVideoSurface::mousePressEvent(QMouseEvent* event)
{
    m_pressed |= event->button();
    emit mousePressed(Controls::buttonNumber(event->button()));
}

void MpvVideoSurface::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = m_pressed.testFlag(event->button());
    m_pressed &= ~event->button();
    emit mouseReleased(Controls::buttonNumber(event->button()));
    if (wasPressed) {
        emit clicked(Controls::buttonNumber(event->button()));
    }
}

void MpvVideoSurface::mouseMoveEvent(QMouseEvent* event)
{
    emit mouseMoved(event->position());
}
