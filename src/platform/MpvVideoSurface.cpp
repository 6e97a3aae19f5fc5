// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MpvVideoSurface.h"

#include "platform/Controls.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QtGui/qguiapplication_platform.h>

#include <mpv/render_gl.h>

namespace {

void* procAddress(void*, const char* name)
{
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return context ? reinterpret_cast<void*>(context->getProcAddress(name)) : nullptr;
}

} // namespace

MpvVideoSurface::MpvVideoSurface(mpv_handle* mpv)
    : QOpenGLWindow(QOpenGLWindow::NoPartialUpdate)
    , m_mpv(mpv)
{
    setCursor(Qt::BlankCursor);
    connect(this, &QOpenGLWindow::frameSwapped, this, [this] {
        if (m_render) {
            mpv_render_context_report_swap(m_render);
        }
    });
}

MpvVideoSurface::~MpvVideoSurface()
{
    releaseRenderer();
}

void MpvVideoSurface::releaseRenderer()
{
    if (!m_render) {
        return;
    }
    // The context has to be current: mpv frees its textures and buffers.
    makeCurrent();
    mpv_render_context_free(m_render);
    m_render = nullptr;
    doneCurrent();
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
    if (mpv_render_context_create(&m_render, m_mpv, params.data()) < 0) {
        m_render = nullptr;
        return;
    }
    mpv_render_context_set_update_callback(m_render, &MpvVideoSurface::requestUpdate, this);
    emit rendererReady();
}

// Called on one of mpv's threads: only hand the work to this window's thread.
void MpvVideoSurface::requestUpdate(void* surface)
{
    auto* self = static_cast<MpvVideoSurface*>(surface);
    QMetaObject::invokeMethod(self, &MpvVideoSurface::renderWhenReady, Qt::QueuedConnection);
}

void MpvVideoSurface::renderWhenReady()
{
    if (m_render && (mpv_render_context_update(m_render) & MPV_RENDER_UPDATE_FRAME)) {
        update();
    }
}

void MpvVideoSurface::paintGL()
{
    if (!m_render) {
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
    mpv_render_context_render(m_render, params);
    emit framePresented();
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
