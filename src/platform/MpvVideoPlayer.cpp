// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MpvVideoPlayer.h"

#include "platform/MpvVideoSurface.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QWidget>

#include <mpv/client.h>

Q_LOGGING_CATEGORY(lcPlayer, "lumaveil.player", QtWarningMsg)

namespace {

// Ties the answer to mpv's question for a file's length to the file it was asked for.
constexpr quint64 durationReply = 1;

} // namespace

void MpvVideoPlayer::MpvDestroy::operator()(mpv_handle* mpv) const
{
    mpv_terminate_destroy(mpv);
}

MpvVideoPlayer::MpvVideoPlayer(const Options& options, QObject* parent)
    : VideoPlayer(parent)
{
    std::unique_ptr<mpv_handle, MpvDestroy> mpv(mpv_create());
    if (!mpv) {
        qCWarning(lcPlayer) << "mpv could not be created";
        return;
    }
    // mpv is a part here, not a player of its own: no configuration files, scripts, terminal output, on-screen
    // controls or input handling of its own, so that every key and click reaches the playback window.
    const std::pair<const char*, QString> settings[] = {
        {"config", QStringLiteral("no")},
        {"terminal", QStringLiteral("no")},
        {"load-scripts", QStringLiteral("no")},
        {"ytdl", QStringLiteral("no")},
        {"access-references", QStringLiteral("no")},
        // Nothing beside the file is looked for: no subtitle, sound or cover files in its folder.
        {"sub-auto", QStringLiteral("no")},
        {"audio-file-auto", QStringLiteral("no")},
        {"cover-art-auto", QStringLiteral("no")},
        {"osd-level", QStringLiteral("0")},
        {"input-default-bindings", QStringLiteral("no")},
        {"input-vo-keyboard", QStringLiteral("no")},
        {"input-cursor", QStringLiteral("no")},
        {"cursor-autohide", QStringLiteral("no")},
        {"audio-display", QStringLiteral("no")},
        {"audio-fallback-to-null", QStringLiteral("yes")},
        {"idle", QStringLiteral("yes")},
        // At its end a file stays open on its last frame, so that the next one follows without mpv shutting its
        // video output down in between.
        {"keep-open", QStringLiteral("yes")},
        {"keepaspect", QStringLiteral("yes")},
        {"hwdec", QStringLiteral("auto-safe")},
        {"vo", options.videoOutput ? QStringLiteral("libmpv") : QStringLiteral("null")},
        {"ao", options.audioOutput},
        {"untimed", options.untimed ? QStringLiteral("yes") : QStringLiteral("no")},
    };
    for (const auto& [name, value] : settings) {
        if (!value.isEmpty() && mpv_set_option_string(mpv.get(), name, value.toUtf8().constData()) < 0) {
            qCWarning(lcPlayer) << "mpv does not take the option" << name << value;
        }
    }
    // mpv's own messages, for whoever turns on the debug output of the player's logging category.
    mpv_request_log_messages(mpv.get(), lcPlayer().isDebugEnabled() ? "v" : "no");
    mpv_observe_property(mpv.get(), 0, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv.get(), 0, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(mpv.get(), 0, "eof-reached", MPV_FORMAT_FLAG);
    if (const int error = mpv_initialize(mpv.get()); error < 0) {
        qCWarning(lcPlayer) << "mpv could not be started:" << mpv_error_string(error);
        return;
    }
    m_mpv = std::move(mpv);
    // Called on one of mpv's threads: only hand the draining to this object's thread, once until it has run.
    mpv_set_wakeup_callback(
        m_mpv.get(),
        [](void* player) {
            auto* self = static_cast<MpvVideoPlayer*>(player);
            if (!self->m_drainQueued.exchange(true)) {
                QMetaObject::invokeMethod(self, &MpvVideoPlayer::drainEvents, Qt::QueuedConnection);
            }
        },
        this);

    if (options.videoOutput) {
        auto* surface = new MpvVideoSurface(m_mpv.get());
        m_surface = surface;
        m_container.reset(QWidget::createWindowContainer(surface));
        m_container->setObjectName(QStringLiteral("WindowsMediaPlayer1"));
        m_container->setFocusPolicy(Qt::StrongFocus);
        connect(surface, &MpvVideoSurface::keyPressed, this, &VideoPlayer::keyPressed);
        connect(surface, &MpvVideoSurface::keyReleased, this, &VideoPlayer::keyReleased);
        connect(surface, &MpvVideoSurface::mousePressed, this, &VideoPlayer::mousePressed);
        connect(surface, &MpvVideoSurface::mouseReleased, this, &VideoPlayer::mouseReleased);
        connect(surface, &MpvVideoSurface::clicked, this, &VideoPlayer::clicked);
        connect(surface, &MpvVideoSurface::mouseMoved, this, &VideoPlayer::mouseMoved);
        connect(surface, &MpvVideoSurface::rendererReady, this, [this] {
            if (!m_waitingFile.isEmpty()) {
                load(m_waitingFile);
                m_waitingFile.clear();
            }
        });
        connect(surface, &MpvVideoSurface::framePresented, this, [this] {
            if (m_frameAwaited && m_started) {
                m_frameAwaited = false;
                emit firstFrameShown();
            }
        });
    }
}

MpvVideoPlayer::~MpvVideoPlayer()
{
    if (!m_mpv) {
        return;
    }
    mpv_set_wakeup_callback(m_mpv.get(), nullptr, nullptr);
    // The picture goes first: its render context must be freed while mpv still exists.
    if (m_surface) {
        m_surface->releaseRenderer();
    }
    m_container.reset();
    m_mpv.reset();
}

QWidget* MpvVideoPlayer::videoWidget()
{
    return m_container.get();
}

void MpvVideoPlayer::setURL(const QString& path)
{
    m_url = path;
    m_duration = 0;
    m_position = 0;
    m_started = false;
    m_frameAwaited = true;
    // Only regular local files are opened: a path is never taken for an address, a protocol or a folder to list.
    const QFileInfo file(path);
    if (!m_mpv || !file.isFile()) {
        m_entry = -1;
        m_loading = false;
        command({"stop"});
        setState(Transitioning);
        // Reported later, as mpv would, so that whoever set the file sees the failure after this call.
        const QString message = m_mpv ? QStringLiteral("No such file") : QStringLiteral("No video player");
        QMetaObject::invokeMethod(
            this,
            [this, path, message] {
                if (m_url == path && m_state == Transitioning) {
                    fail(message);
                }
            },
            Qt::QueuedConnection);
        return;
    }
    m_loading = true;
    setState(Transitioning);
    const QByteArray location = file.absoluteFilePath().toUtf8();
    if (m_surface && !m_surface->hasRenderer()) {
        m_waitingFile = location;
        return;
    }
    load(location);
}

void MpvVideoPlayer::load(const QByteArray& location)
{
    // A file stopped by stop() left the player paused.
    setProperty("pause", QStringLiteral("no"));
    command({"loadfile", location.constData(), "replace"});
}

QString MpvVideoPlayer::URL() const
{
    return m_url;
}

int MpvVideoPlayer::playState() const
{
    return m_state;
}

double MpvVideoPlayer::duration() const
{
    return m_duration;
}

double MpvVideoPlayer::currentPosition() const
{
    return m_position;
}

void MpvVideoPlayer::setCurrentPosition(double seconds)
{
    m_position = seconds;
    const QByteArray target = QByteArray::number(seconds, 'f', 3);
    command({"seek", target.constData(), "absolute"});
}

// The file stays open, paused on its frame, so that the next one can follow quickly; close() lets it go.
void MpvVideoPlayer::stop()
{
    if (m_loading || m_entry < 0) {
        command({"stop"});
        return;
    }
    setProperty("pause", QStringLiteral("yes"));
    setState(Stopped);
}

void MpvVideoPlayer::close()
{
    // The end of the file that is closed is nobody's concern any more.
    m_entry = -1;
    m_loading = false;
    m_url.clear();
    m_waitingFile.clear();
    command({"stop"});
    setState(Ready);
}

void MpvVideoPlayer::setVolume(int volume)
{
    setProperty("volume", QString::number(std::clamp(volume, 0, 100)));
}

void MpvVideoPlayer::setMute(bool mute)
{
    setProperty("mute", mute ? QStringLiteral("yes") : QStringLiteral("no"));
}

void MpvVideoPlayer::setStretchToFit(bool stretch)
{
    setProperty("video-unscaled", stretch ? QStringLiteral("no") : QStringLiteral("downscale-big"));
}

void MpvVideoPlayer::setUiMode(const QString& mode)
{
    setProperty("osd-level", mode == QLatin1String("none") ? QStringLiteral("0") : QStringLiteral("1"));
}

void MpvVideoPlayer::command(std::initializer_list<const char*> arguments)
{
    if (!m_mpv) {
        return;
    }
    std::vector<const char*> list(arguments);
    list.push_back(nullptr);
    if (const int error = mpv_command_async(m_mpv.get(), 0, list.data()); error < 0) {
        qCWarning(lcPlayer) << "mpv refused" << list.front() << ":" << mpv_error_string(error);
    }
}

void MpvVideoPlayer::setProperty(const char* name, const QString& value)
{
    if (!m_mpv) {
        return;
    }
    QByteArray text = value.toUtf8();
    char* data = text.data();
    if (const int error = mpv_set_property_async(m_mpv.get(), 0, name, MPV_FORMAT_STRING, &data); error < 0) {
        qCWarning(lcPlayer) << "mpv refused" << name << value << ":" << mpv_error_string(error);
    }
}

void MpvVideoPlayer::drainEvents()
{
    m_drainQueued = false;
    while (m_mpv) {
        const mpv_event* event = mpv_wait_event(m_mpv.get(), 0);
        if (event->event_id == MPV_EVENT_NONE) {
            break;
        }
        handle(*event);
    }
}

void MpvVideoPlayer::handle(const mpv_event& event)
{
    switch (event.event_id) {
    case MPV_EVENT_START_FILE: {
        const auto* start = static_cast<const mpv_event_start_file*>(event.data);
        m_loading = false;
        m_entry = start->playlist_entry_id;
        break;
    }
    case MPV_EVENT_PLAYBACK_RESTART:
        // The first picture of the file is ready. Its length is asked for here, so that it is known when the
        // player reports that it plays.
        if (!m_loading && !m_started && m_entry >= 0) {
            mpv_get_property_async(m_mpv.get(), durationReply, "duration", MPV_FORMAT_DOUBLE);
        }
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY: {
        const auto* reply = static_cast<const mpv_event_property*>(event.data);
        if (event.reply_userdata != durationReply || m_loading || m_started || m_entry < 0) {
            break;
        }
        m_duration = event.error >= 0 && reply->format == MPV_FORMAT_DOUBLE ? *static_cast<double*>(reply->data) : 0;
        m_started = true;
        emit durationChanged(m_duration);
        setState(Playing);
        if (!m_container && m_frameAwaited) {
            m_frameAwaited = false;
            emit firstFrameShown();
        }
        break;
    }
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (m_loading || end->playlist_entry_id != m_entry) {
            break;
        }
        m_entry = -1;
        if (end->reason == MPV_END_FILE_REASON_ERROR) {
            fail(QString::fromUtf8(mpv_error_string(end->error)));
        } else if (end->reason == MPV_END_FILE_REASON_REDIRECT) {
            // A playlist in disguise: what it lists is not played.
            command({"stop"});
            fail(QStringLiteral("Not a video"));
        } else {
            setState(Stopped);
        }
        break;
    }
    case MPV_EVENT_LOG_MESSAGE: {
        const auto* message = static_cast<const mpv_event_log_message*>(event.data);
        qCDebug(lcPlayer).noquote() << message->prefix << message->level << QString::fromUtf8(message->text).trimmed();
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* property = static_cast<const mpv_event_property*>(event.data);
        const bool known = property->format == MPV_FORMAT_DOUBLE;
        const double value = known ? *static_cast<double*>(property->data) : 0;
        if (qstrcmp(property->name, "eof-reached") == 0) {
            // With the file kept open at its end, this is where it ends.
            const bool atEnd = property->format == MPV_FORMAT_FLAG && *static_cast<int*>(property->data) != 0;
            if (atEnd && !m_loading && m_entry >= 0) {
                setState(Stopped);
            }
        } else if (qstrcmp(property->name, "time-pos") == 0) {
            if (known) {
                m_position = value;
            }
        } else if (qstrcmp(property->name, "duration") == 0 && m_started && known && value != m_duration) {
            m_duration = value;
            emit durationChanged(m_duration);
        }
        break;
    }
    default:
        break;
    }
}

void MpvVideoPlayer::fail(const QString& message)
{
    emit mediaError(message);
    setState(Stopped);
}

void MpvVideoPlayer::setState(int state)
{
    if (state == m_state) {
        return;
    }
    m_state = state;
    emit playStateChanged(state);
}
