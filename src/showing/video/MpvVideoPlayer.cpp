// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/video/MpvVideoPlayer.h"

#include "showing/video/MpvLibrary.h"
#include "showing/video/MpvVideoSurface.h"
#include "system/HeapTuning.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QMouseEvent>
#include <QWidget>

#include <utility>

Q_LOGGING_CATEGORY(lcPlayer, "lumaveil.player", QtWarningMsg)

namespace {

// Only used once a player has found the library loaded.
const MpvLibrary& api()
{
    return *MpvLibrary::get();
}

// Ties the answer to mpv's question for a file's length to the file it was asked for.
constexpr quint64 durationReply = 1;
// Ties the answer to the question whether the file is at its end to the file that was started.
constexpr quint64 endReply = 2;

// A file with a picture wider or taller than this is not decoded: one frame of a 16000 × 16000 video takes
// gigabytes, and a showing would hold them. The size is checked once the file is open, before its decoder starts.
constexpr qint64 largestPicture = 8192;

// Whether a track of the file has a picture too large, as the file's header tells its size. All are looked at: mpv
// chooses among them only after the hook, and a file that holds such a track is rare. Sound tracks tell no size.
bool pictureTooLarge(mpv_handle* mpv)
{
    qint64 count = 0;
    api().get_property(mpv, "track-list/count", MPV_FORMAT_INT64, &count);
    for (qint64 track = 0; track < count; ++track) {
        for (const char* side : {"/demux-w", "/demux-h"}) {
            const QByteArray property = "track-list/" + QByteArray::number(track) + side;
            qint64 pixels = 0;
            if (api().get_property(mpv, property, MPV_FORMAT_INT64, &pixels) >= 0 && pixels > largestPicture) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

void MpvVideoPlayer::MpvDestroy::operator()(mpv_handle* mpv) const
{
    api().terminate_destroy(mpv);
}

MpvVideoPlayer::MpvHandle MpvVideoPlayer::createMpv(const Options& options)
{
    MpvHandle mpv(api().create());
    if (!mpv) {
        qCWarning(lcPlayer) << "mpv could not be created";
        return {};
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
        // At its end a file stays open on its last picture, until the next one takes over.
        {"keep-open", QStringLiteral("yes")},
        {"keepaspect", QStringLiteral("yes")},
        // Hardware decoding through VA-API, which the Mesa and Intel drivers offer. mpv's other ways (VDPAU, CUDA)
        // are left out: probing them where they are missing makes their libraries write to stderr, past mpv's own
        // messages, on every showing.
        {"hwdec", QStringLiteral("vaapi")},
        {"gpu-hwdec-interop", QStringLiteral("vaapi")},
        {"vo", options.videoOutput ? QStringLiteral("libmpv") : QStringLiteral("null")},
        {"ao", options.audioOutput},
        {"untimed", options.untimed ? QStringLiteral("yes") : QStringLiteral("no")},
    };
    for (const auto& [name, value] : settings) {
        if (!value.isEmpty() && api().set_option_string(mpv.get(), name, value.toUtf8().constData()) < 0) {
            qCWarning(lcPlayer) << "mpv does not take the option" << name << value;
        }
    }
    // mpv's own messages, for whoever turns on the debug output of the player's logging category.
    api().request_log_messages(mpv.get(), lcPlayer().isDebugEnabled() ? "v" : "no");
    api().observe_property(mpv.get(), 0, "duration", MPV_FORMAT_DOUBLE);
    api().observe_property(mpv.get(), 0, "time-pos", MPV_FORMAT_DOUBLE);
    api().observe_property(mpv.get(), 0, "eof-reached", MPV_FORMAT_FLAG);
    // Called with the file open, before its tracks are chosen and any decoding.
    api().hook_add(mpv.get(), 0, "on_preloaded", 0);
    if (const int error = api().initialize(mpv.get()); error < 0) {
        qCWarning(lcPlayer) << "mpv could not be started:" << api().error_string(error);
        return {};
    }
    return mpv;
}

MpvVideoPlayer::MpvVideoPlayer(const Options& options, QObject* parent)
    : VideoPlayer(parent)
{
    if (!MpvLibrary::get()) {
        return;
    }
    for (int index = 0; index < 2; ++index) {
        Deck& deck = m_decks[index];
        deck.player = this;
        deck.index = index;
        deck.mpv = createMpv(options);
        if (!deck.mpv) {
            for (Deck& other : m_decks) {
                other.mpv.reset();
            }
            return;
        }
    }
    m_valid = true;
    for (Deck& deck : m_decks) {
        // Called on one of mpv's threads: only hand the draining to this object's thread, once until it has run.
        api().set_wakeup_callback(
            deck.mpv.get(),
            [](void* data) {
                auto* woken = static_cast<Deck*>(data);
                if (!woken->drainQueued.exchange(true)) {
                    QMetaObject::invokeMethod(
                        woken->player, [woken] { woken->player->drainEvents(*woken); }, Qt::QueuedConnection);
                }
            },
            &deck);
    }

    if (options.videoOutput) {
        auto* surface = new MpvVideoSurface({m_decks[0].mpv.get(), m_decks[1].mpv.get()});
        m_surface = surface;
        m_container.reset(QWidget::createWindowContainer(surface));
        m_container->setObjectName(QStringLiteral("WindowsMediaPlayer1"));
        m_container->setFocusPolicy(Qt::StrongFocus);
        // While the showing holds the pointer, the window system sends its moves to the showing's own window, and Qt
        // hands those over the picture to this container rather than to the surface inside it.
        m_container->setMouseTracking(true);
        m_container->installEventFilter(this);
        connect(surface, &MpvVideoSurface::keyPressed, this, &VideoPlayer::keyPressed);
        connect(surface, &MpvVideoSurface::keyReleased, this, &VideoPlayer::keyReleased);
        connect(surface, &MpvVideoSurface::mousePressed, this, &VideoPlayer::mousePressed);
        connect(surface, &MpvVideoSurface::mouseReleased, this, &VideoPlayer::mouseReleased);
        connect(surface, &MpvVideoSurface::clicked, this, &VideoPlayer::clicked);
        connect(surface, &MpvVideoSurface::mouseMoved, this, &VideoPlayer::mouseMoved);
        connect(surface, &MpvVideoSurface::rendererReady, this, [this] {
            // A file set before the window was shown waits for it.
            if (active().state == DeckState::Loading && active().request == 0) {
                const QString waiting = active().path;
                load(waiting);
            }
        });
        connect(surface, &MpvVideoSurface::fadeFinished, this, &MpvVideoPlayer::fadedOut);
        connect(surface, &MpvVideoSurface::framePresented, this, [this](int deck) {
            if (m_frameAwaited && deck == m_active) {
                m_frameAwaited = false;
                emit firstFrameShown();
            }
        });
    }
}

MpvVideoPlayer::~MpvVideoPlayer()
{
    if (!m_valid) {
        return;
    }
    for (Deck& deck : m_decks) {
        api().set_wakeup_callback(deck.mpv.get(), nullptr, nullptr);
    }
    // The picture goes first: its render contexts must be freed while mpv still exists.
    if (m_surface) {
        m_surface->releaseRenderer();
    }
    m_container.reset();
    for (Deck& deck : m_decks) {
        deck.mpv.reset();
    }
    returnFreedHeap();
}

// Every change of a deck's state is made here.
void MpvVideoPlayer::move(Deck& deck, DeckEvent event, const QString& why)
{
    const DeckState next = DeckLife::next(deck.state, event);
    if (next == deck.state) {
        return;
    }
    qCDebug(lcPlayer) << "deck" << deck.index << deck.state << "to" << next << "on" << event;
    deck.state = next;
    if (next == DeckState::Failed) {
        deck.error = why.isEmpty() ? QStringLiteral("Not a video") : why;
    }
    showPicture();
    entered(deck);
}

// The screen shows the picture of the file that plays once its first picture is ready, fading it in where asked.
// Until then it keeps the picture it shows, unless the deck that holds it has gone on to another file; then it goes
// black. A deck's render context still holds the last picture of whatever it played before, which must not come
// back. With a fade, a deck on the screen is given no other file, and its picture holds.
void MpvVideoPlayer::showPicture()
{
    if (!m_surface) {
        return;
    }
    const Deck& current = active();
    if (current.state == DeckState::Ready || current.state == DeckState::Playing || current.state == DeckState::Ended) {
        m_surface->showDeck(current.index, m_fade);
        return;
    }
    const int shown = m_surface->shownDeck();
    if (m_fade <= 0 && shown >= 0 && shown != m_active && m_decks[shown].state != DeckState::Idle) {
        m_surface->showDeck(-1);
    }
}

// What a deck does on entering a state, and what the player reports of it when it is the deck that plays.
void MpvVideoPlayer::entered(Deck& deck)
{
    const bool current = deck.index == m_active;
    switch (deck.state) {
    case DeckState::Idle:
        deck.path.clear();
        break;
    case DeckState::Ready:
        // The length is asked for now, so that it is known when the player reports that the file plays.
        api().get_property_async(deck.mpv.get(), durationReply, "duration", MPV_FORMAT_DOUBLE);
        break;
    case DeckState::Playing:
        // mpv reports a change of a watched property only when it sees one: a file of the same deck that was at its
        // end before, and that is opened and played through faster than mpv looks, seems never to leave its end; and
        // an end that came before the start was reported waited for it. The end is asked for once more, now.
        api().get_property_async(deck.mpv.get(), endReply, "eof-reached", MPV_FORMAT_FLAG);
        m_duration = std::max(deck.duration, 0.0);
        m_frameAwaited = true;
        emit durationChanged(m_duration);
        setState(Playing);
        if (!m_container && m_frameAwaited) {
            m_frameAwaited = false;
            emit firstFrameShown();
        }
        break;
    case DeckState::Ended:
        if (current) {
            setState(Stopped);
        }
        break;
    case DeckState::Failed:
        // It gives its decoder back.
        command(deck, {"stop"});
        if (current) {
            fail(deck.error);
        }
        break;
    case DeckState::Loading:
    case DeckState::Opening:
        break;
    }
}

QWidget* MpvVideoPlayer::videoWidget()
{
    return m_container.get();
}

bool MpvVideoPlayer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_container.get() && event->type() == QEvent::MouseMove) {
        emit mouseMoved(static_cast<QMouseEvent*>(event)->position());
        return true;
    }
    return VideoPlayer::eventFilter(watched, event);
}

void MpvVideoPlayer::setURL(const QString& path)
{
    m_url = path;
    m_duration = 0;
    m_position = 0;
    m_frameAwaited = false;
    m_queuedAfterFade.clear();
    // Only regular local files are opened: a path is never taken for an address, a protocol or a folder to list.
    const QFileInfo file(path);
    const QString location = file.absoluteFilePath();
    if (m_valid && !ahead().path.isEmpty() && ahead().path == location && !onScreen(ahead())) {
        takeOver(ahead());
        return;
    }
    if (!m_valid || !file.isFile()) {
        letGo(active());
        setState(Transitioning);
        failLater(m_valid ? QStringLiteral("No such file") : QStringLiteral("No video player"));
        return;
    }
    setState(Transitioning);
    if (onScreen(active()) && m_fade > 0) {
        // The picture on the screen stays until the new one fades in over it: the file opens in the other deck, which
        // a fade still on its way lets go first.
        m_surface->endFade();
        Deck& spare = ahead();
        if (spare.state != DeckState::Idle) {
            release(spare);
        }
        setProperty(spare, "pause", QStringLiteral("no"));
        loadInto(spare, location);
        takeOver(spare);
        return;
    }
    load(location);
}

void MpvVideoPlayer::queueNext(const QString& path)
{
    const QFileInfo file(path);
    if (!m_valid || !file.isFile() || (m_surface && !m_surface->hasRenderer())) {
        return;
    }
    Deck& deck = ahead();
    const QString location = file.absoluteFilePath();
    if (onScreen(deck)) {
        m_queuedAfterFade = path;
        return;
    }
    if (deck.path == location) {
        return;
    }
    // It opens paused, on its first picture.
    setProperty(deck, "pause", QStringLiteral("yes"));
    loadInto(deck, location);
}

// The file is opened by the deck that plays.
void MpvVideoPlayer::load(const QString& location)
{
    // The file opened ahead is not the one wanted; it gives its decoder back.
    if (ahead().state != DeckState::Idle) {
        letGo(ahead());
    }
    // A file stopped by stop() left the player paused.
    setProperty("pause", QStringLiteral("no"));
    loadInto(active(), location);
}

void MpvVideoPlayer::loadInto(Deck& deck, const QString& location)
{
    deck.path = location;
    deck.request = 0;
    deck.awaitedEntry = -1;
    deck.entry = -1;
    deck.duration = -1;
    deck.error.clear();
    move(deck, DeckEvent::LoadAsked);
    // mpv cannot open a file for the picture before the picture's window is shown: the file waits for it.
    if (m_surface && !m_surface->hasRenderer()) {
        return;
    }
    deck.request = ++m_requests;
    const QByteArray bytes = location.toUtf8();
    const char* arguments[] = {"loadfile", bytes.constData(), "replace", nullptr};
    if (const int error = api().command_async(deck.mpv.get(), deck.request, arguments); error < 0) {
        move(deck, DeckEvent::LoadRefused, QString::fromUtf8(api().error_string(error)));
    }
}

// The file opened ahead becomes the one that plays; the one that played gives its decoder back.
void MpvVideoPlayer::takeOver(Deck& deck)
{
    letGo(active());
    m_active = deck.index;
    setState(Transitioning);
    showPicture();
    setProperty(deck, "pause", QStringLiteral("no"));
    switch (deck.state) {
    case DeckState::Loading:
    case DeckState::Opening:
        // Its first picture is not ready yet: it is reported as any file's is.
        break;
    case DeckState::Ready:
        if (deck.duration < 0) {
            // The answer to the question for its length reports it.
            break;
        }
        // Reported later, so that whoever set the file has finished with it first.
        QMetaObject::invokeMethod(
            this,
            [this, path = m_url, index = deck.index] {
                if (m_url == path && m_active == index && m_state == Transitioning) {
                    move(active(), DeckEvent::StartReported);
                }
            },
            Qt::QueuedConnection);
        break;
    default:
        failLater(deck.error.isEmpty() ? QStringLiteral("Not a video") : deck.error);
        break;
    }
}

// The deck stops and lets its file go; what mpv still reports of it is ignored.
void MpvVideoPlayer::release(Deck& deck)
{
    command(deck, {"stop"});
    move(deck, DeckEvent::Released);
}

// As release(), unless the deck's picture is on the screen for a fade: it plays on, and goes once it faded out.
void MpvVideoPlayer::letGo(Deck& deck)
{
    if (m_fade <= 0 || !onScreen(deck)) {
        release(deck);
    }
}

void MpvVideoPlayer::fadedOut(int index)
{
    if (index != m_active && m_decks[index].state != DeckState::Idle) {
        release(m_decks[index]);
    }
    if (!m_queuedAfterFade.isEmpty()) {
        queueNext(std::exchange(m_queuedAfterFade, {}));
    }
}

bool MpvVideoPlayer::onScreen(const Deck& deck) const
{
    return m_surface && m_surface->shows(deck.index);
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

// A file that plays stays open, paused on its picture, until the next one takes over; close() lets it go. One whose
// start is not reported yet is let go at once.
void MpvVideoPlayer::stop()
{
    Deck& deck = active();
    switch (deck.state) {
    case DeckState::Playing:
        // With a fade, it plays on under the next file as that fades in.
        if (m_fade <= 0) {
            setProperty(deck, "pause", QStringLiteral("yes"));
        }
        move(deck, DeckEvent::Stopped);
        break;
    case DeckState::Loading:
    case DeckState::Opening:
    case DeckState::Ready:
        release(deck);
        setState(Stopped);
        break;
    default:
        break;
    }
}

void MpvVideoPlayer::close()
{
    // The end of the file that is closed is nobody's concern any more.
    m_queuedAfterFade.clear();
    for (Deck& deck : m_decks) {
        release(deck);
    }
    m_url.clear();
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

void MpvVideoPlayer::setFade(double seconds)
{
    m_fade = std::max(seconds, 0.0);
}

std::unique_ptr<QWidget> MpvVideoPlayer::makeMirror()
{
    MirrorSurface* mirror = m_surface ? m_surface->makeMirror() : nullptr;
    if (!mirror) {
        return {};
    }
    std::unique_ptr<QWidget> widget(QWidget::createWindowContainer(mirror));
    widget->setObjectName(QStringLiteral("WindowsMediaPlayerMirror"));
    widget->setMouseTracking(true);
    // Input on the copy is input on the picture; a movement in the copy's place on the desktop.
    connect(mirror, &VideoWindow::keyPressed, this, &VideoPlayer::keyPressed);
    connect(mirror, &VideoWindow::keyReleased, this, &VideoPlayer::keyReleased);
    connect(mirror, &VideoWindow::mousePressed, this, &VideoPlayer::mousePressed);
    connect(mirror, &VideoWindow::mouseReleased, this, &VideoPlayer::mouseReleased);
    connect(mirror, &VideoWindow::clicked, this, &VideoPlayer::clicked);
    connect(mirror, &VideoWindow::mouseMoved, this, [this, mirror](QPointF position) {
        emit mouseMoved(m_container->mapFromGlobal(mirror->mapToGlobal(position)));
    });
    return widget;
}

void MpvVideoPlayer::command(Deck& deck, std::initializer_list<const char*> arguments)
{
    if (!deck.mpv) {
        return;
    }
    std::vector<const char*> list(arguments);
    list.push_back(nullptr);
    if (const int error = api().command_async(deck.mpv.get(), 0, list.data()); error < 0) {
        qCWarning(lcPlayer) << "mpv refused" << list.front() << ":" << api().error_string(error);
    }
}

void MpvVideoPlayer::command(std::initializer_list<const char*> arguments)
{
    command(active(), arguments);
}

void MpvVideoPlayer::setProperty(Deck& deck, const char* name, const QString& value)
{
    if (!deck.mpv) {
        return;
    }
    QByteArray text = value.toUtf8();
    char* data = text.data();
    if (const int error = api().set_property_async(deck.mpv.get(), 0, name, MPV_FORMAT_STRING, &data); error < 0) {
        qCWarning(lcPlayer) << "mpv refused" << name << value << ":" << api().error_string(error);
    }
}

void MpvVideoPlayer::setProperty(const char* name, const QString& value)
{
    setProperty(active(), name, value);
}

void MpvVideoPlayer::drainEvents(Deck& deck)
{
    deck.drainQueued = false;
    while (deck.mpv) {
        const mpv_event* event = api().wait_event(deck.mpv.get(), 0);
        if (event->event_id == MPV_EVENT_NONE) {
            break;
        }
        handle(deck, *event);
    }
}

namespace {

// Why a file ended, when it ended in a failure.
QString endError(const mpv_event_end_file& end)
{
    if (end.reason == MPV_END_FILE_REASON_ERROR) {
        return QString::fromUtf8(api().error_string(end.error));
    }
    if (end.reason == MPV_END_FILE_REASON_REDIRECT) {
        // A playlist in disguise: what it lists is not played.
        return QStringLiteral("Not a video");
    }
    return {};
}

// The playlist entry that mpv made for a file, as its reply to loadfile names it; 0 when it does not.
qint64 loadedEntry(const mpv_event& reply)
{
    const mpv_node& result = static_cast<const mpv_event_command*>(reply.data)->result;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        for (int i = 0; i < result.u.list->num; ++i) {
            if (qstrcmp(result.u.list->keys[i], "playlist_entry_id") == 0 &&
                result.u.list->values[i].format == MPV_FORMAT_INT64) {
                return result.u.list->values[i].u.int64;
            }
        }
    }
    return 0;
}

// The length that a reply to the question for it carries; 0 when mpv could not tell.
double replyDuration(const mpv_event& event)
{
    const auto* reply = static_cast<const mpv_event_property*>(event.data);
    return event.error >= 0 && reply->format == MPV_FORMAT_DOUBLE ? *static_cast<double*>(reply->data) : 0;
}

bool flagValue(const mpv_event_property& property)
{
    return property.format == MPV_FORMAT_FLAG && *static_cast<int*>(property.data) != 0;
}

} // namespace

// mpv's events, turned into the events of the deck's life. Both decks are followed alike; only the deck that plays
// is heard by the player.
void MpvVideoPlayer::handle(Deck& deck, const mpv_event& event)
{
    const bool current = deck.index == m_active;
    const bool hasFile = deck.state == DeckState::Opening || deck.state == DeckState::Ready ||
                         deck.state == DeckState::Playing || deck.state == DeckState::Ended;
    switch (event.event_id) {
    case MPV_EVENT_COMMAND_REPLY:
        if (event.reply_userdata != deck.request || deck.state != DeckState::Loading) {
            break;
        }
        if (event.error < 0) {
            move(deck, DeckEvent::LoadRefused, QString::fromUtf8(api().error_string(event.error)));
        } else {
            deck.awaitedEntry = loadedEntry(event);
        }
        break;
    case MPV_EVENT_START_FILE: {
        // Only the start of the entry asked for counts, not that of a file that an earlier load had asked for.
        const qint64 entry = static_cast<const mpv_event_start_file*>(event.data)->playlist_entry_id;
        if (deck.state == DeckState::Loading && (deck.awaitedEntry == entry || deck.awaitedEntry == 0)) {
            deck.entry = entry;
            move(deck, DeckEvent::FileStarted);
        }
        break;
    }
    case MPV_EVENT_HOOK:
        // mpv waits on the hook: the file is given up before its decoder starts, or goes on.
        if (deck.state == DeckState::Opening && pictureTooLarge(deck.mpv.get())) {
            move(deck,
                 DeckEvent::FileFailed,
                 QStringLiteral("The picture is larger than %1 pixels across or down").arg(largestPicture));
        }
        api().hook_continue(deck.mpv.get(), static_cast<const mpv_event_hook*>(event.data)->id);
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        move(deck, DeckEvent::PictureReady);
        break;
    case MPV_EVENT_GET_PROPERTY_REPLY:
        if (event.reply_userdata == durationReply && deck.state == DeckState::Ready) {
            deck.duration = replyDuration(event);
            if (current && m_state == Transitioning) {
                move(deck, DeckEvent::StartReported);
            }
        } else if (event.reply_userdata == endReply && event.error >= 0 && deck.state == DeckState::Playing &&
                   flagValue(*static_cast<const mpv_event_property*>(event.data))) {
            move(deck, DeckEvent::EndReached);
        }
        break;
    case MPV_EVENT_END_FILE: {
        const auto* end = static_cast<const mpv_event_end_file*>(event.data);
        if (!hasFile || end->playlist_entry_id != deck.entry) {
            break;
        }
        if (const QString error = endError(*end); !error.isEmpty()) {
            move(deck, DeckEvent::FileFailed, error);
        } else {
            move(deck, DeckEvent::FileEnded, QStringLiteral("Not played"));
        }
        break;
    }
    case MPV_EVENT_LOG_MESSAGE: {
        const auto* message = static_cast<const mpv_event_log_message*>(event.data);
        qCDebug(lcPlayer).noquote() << deck.index << message->prefix << message->level
                                    << QString::fromUtf8(message->text).trimmed();
        break;
    }
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* property = static_cast<const mpv_event_property*>(event.data);
        const bool known = property->format == MPV_FORMAT_DOUBLE;
        const double value = known ? *static_cast<double*>(property->data) : 0;
        if (qstrcmp(property->name, "eof-reached") == 0) {
            // With the file kept open at its end, this is where it ends.
            if (flagValue(*property)) {
                move(deck, DeckEvent::EndReached);
            }
        } else if (qstrcmp(property->name, "time-pos") == 0) {
            if (current && hasFile && known) {
                m_position = value;
                // With a fade, the file ends for the showing that much before its end, and plays on under the next;
                // a short one plays half of itself at least.
                if (m_fade > 0 && deck.state == DeckState::Playing && deck.duration > 0 &&
                    value >= deck.duration - std::min(m_fade, deck.duration / 2)) {
                    move(deck, DeckEvent::EndReached);
                }
            }
        } else if (qstrcmp(property->name, "duration") == 0) {
            const bool started = deck.state == DeckState::Playing || deck.state == DeckState::Ended;
            if (current && started && known && value != m_duration) {
                m_duration = value;
                emit durationChanged(m_duration);
            }
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

// Told after the call that set the file has returned, as mpv would tell it.
void MpvVideoPlayer::failLater(const QString& message)
{
    QMetaObject::invokeMethod(
        this,
        [this, path = m_url, message] {
            if (m_url == path && m_state == Transitioning) {
                fail(message);
            }
        },
        Qt::QueuedConnection);
}

void MpvVideoPlayer::setState(int state)
{
    if (state == m_state) {
        return;
    }
    m_state = state;
    emit playStateChanged(state);
}
