// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FakeVideoPlayer.h"

#include <QWidget>

FakeVideoPlayer::~FakeVideoPlayer()
{
    delete m_widget;
}

QWidget* FakeVideoPlayer::videoWidget()
{
    if (!m_widget) {
        m_widget = new QWidget;
        m_widget->setObjectName(QStringLiteral("WindowsMediaPlayer1"));
    }
    return m_widget;
}

void FakeVideoPlayer::setURL(const QString& path)
{
    urls.append(path);
    m_url = path;
    m_duration = 0;
    m_position = 0;
    setState(Transitioning);
    if (autoStart) {
        QMetaObject::invokeMethod(
            this,
            [this, path] {
                if (m_url != path || m_state != Transitioning) {
                    return;
                }
                if (unplayable.contains(path)) {
                    failCurrent();
                } else {
                    play();
                }
            },
            Qt::QueuedConnection);
    }
}

QString FakeVideoPlayer::URL() const
{
    return m_url;
}

int FakeVideoPlayer::playState() const
{
    return m_state;
}

double FakeVideoPlayer::duration() const
{
    return m_duration;
}

double FakeVideoPlayer::currentPosition() const
{
    return m_position;
}

void FakeVideoPlayer::setCurrentPosition(double seconds)
{
    seeks.append(seconds);
    m_position = seconds;
}

void FakeVideoPlayer::stop()
{
    ++stops;
    setState(Stopped);
}

void FakeVideoPlayer::close()
{
    ++closes;
    m_url.clear();
    setState(Ready);
}

void FakeVideoPlayer::setVolume(int volume)
{
    volumes.append(volume);
}

void FakeVideoPlayer::setMute(bool mute)
{
    mutes.append(mute);
}

void FakeVideoPlayer::setStretchToFit(bool stretch)
{
    stretches.append(stretch);
}

void FakeVideoPlayer::setUiMode(const QString& mode)
{
    uiModes.append(mode);
}

void FakeVideoPlayer::play()
{
    m_duration = durations.value(m_url, 60);
    emit durationChanged(m_duration);
    setState(Playing);
    emit firstFrameShown();
}

void FakeVideoPlayer::finish()
{
    setState(Stopped);
}

void FakeVideoPlayer::failCurrent()
{
    emit mediaError(QStringLiteral("unplayable"));
    setState(Stopped);
}

void FakeVideoPlayer::advanceTo(double seconds)
{
    m_position = seconds;
}

void FakeVideoPlayer::setState(int state)
{
    if (state == m_state) {
        return;
    }
    m_state = state;
    emit playStateChanged(state);
}

void FakeVideoPlayer::queueNext(const QString& path)
{
    queued.append(path);
}
