// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/video/DeckLife.h"
#include "showing/video/VideoPlayer.h"

#include <QPointer>

#include <array>
#include <atomic>
#include <memory>

struct mpv_handle;
struct mpv_event;
class MpvVideoSurface;

/**
 * The video player on libmpv. mpv decodes on its own threads and draws through its render API into an OpenGL
 * window hosted by videoWidget(); its events are drained on this object's thread. The player never calls mpv
 * synchronously once the picture is set up, as that would stall mpv's core, which waits for the GUI thread to draw.
 *
 * Two mpv instances take turns: while one plays, the other opens the file named by queueNext(), so that when that
 * file is set it starts without the wait for opening it. With a fade, the one that played goes on playing under the
 * new picture until that has faded in.
 */
class MpvVideoPlayer : public VideoPlayer
{
    Q_OBJECT

public:
    struct Options
    {
        /** Without video output the player decodes and times everything but shows nothing: for tests. */
        bool videoOutput = true;
        /** mpv's audio output; empty for its default. */
        QString audioOutput;
        /** Plays as fast as it can decode, not in real time: for tests. */
        bool untimed = false;
    };

    explicit MpvVideoPlayer(const Options& options, QObject* parent = nullptr);
    ~MpvVideoPlayer() override;

    /** Whether libmpv could be loaded and started; a player that failed reports every file as unplayable. */
    [[nodiscard]] bool isValid() const
    {
        return m_valid;
    }

    QWidget* videoWidget() override;
    void setURL(const QString& path) override;
    void queueNext(const QString& path) override;
    QString URL() const override;
    int playState() const override;
    double duration() const override;
    double currentPosition() const override;
    void setCurrentPosition(double seconds) override;
    void stop() override;
    void close() override;
    void setVolume(int volume) override;
    void setMute(bool mute) override;
    void setStretchToFit(bool stretch) override;
    void setUiMode(const QString& mode) override;
    void setFade(double seconds) override;
    std::unique_ptr<QWidget> makeMirror() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct MpvDestroy
    {
        void operator()(mpv_handle* mpv) const;
    };
    using MpvHandle = std::unique_ptr<mpv_handle, MpvDestroy>;

    using DeckState = DeckLife::State;
    using DeckEvent = DeckLife::Event;

    // One of two mpv instances. One plays; the other opens the next file ahead, paused on its first picture, and
    // takes over when that file is set.
    struct Deck
    {
        MpvVideoPlayer* player = nullptr;
        int index = 0;
        MpvHandle mpv;
        std::atomic<bool> drainQueued{false};
        DeckState state = DeckState::Idle;
        // The file, by its absolute path; empty when Idle.
        QString path;
        // The request that loads the file (0 while it waits for the picture's window), and the playlist entry mpv
        // made for it: -1 until mpv says, 0 for whichever starts next.
        quint64 request = 0;
        qint64 awaitedEntry = -1;
        // The file's playlist entry from its start on: mpv's events about other entries are not about this file.
        qint64 entry = -1;
        // In seconds; -1 until mpv tells.
        double duration = -1;
        QString error;
    };

    static MpvHandle createMpv(const Options& options);
    void move(Deck& deck, DeckEvent event, const QString& why = {});
    void entered(Deck& deck);
    void showPicture();
    void drainEvents(Deck& deck);
    void handle(Deck& deck, const mpv_event& event);
    void load(const QString& location);
    void loadInto(Deck& deck, const QString& location);
    void takeOver(Deck& deck);
    void release(Deck& deck);
    void letGo(Deck& deck);
    void fadedOut(int index);
    [[nodiscard]] bool onScreen(const Deck& deck) const;
    void setState(int state);
    void fail(const QString& message);
    void failLater(const QString& message);
    void command(Deck& deck, std::initializer_list<const char*> arguments);
    void command(std::initializer_list<const char*> arguments);
    void setProperty(Deck& deck, const char* name, const QString& value);
    void setProperty(const char* name, const QString& value);
    [[nodiscard]] Deck& active()
    {
        return m_decks[m_active];
    }
    [[nodiscard]] Deck& ahead()
    {
        return m_decks[1 - m_active];
    }

    std::array<Deck, 2> m_decks;
    // Numbers the load requests, so that their replies are told apart.
    quint64 m_requests = 0;
    int m_active = 0;
    bool m_valid = false;
    std::unique_ptr<QWidget> m_container;
    QPointer<MpvVideoSurface> m_surface;
    // What the player reports of the file set last; the first picture on the screen is told once, after the start.
    QString m_url;
    int m_state = Ready;
    double m_duration = 0;
    double m_position = 0;
    bool m_frameAwaited = false;
    // With a fade, the deck whose picture is on the screen is not given another file until it has faded out; the
    // file to open ahead meanwhile waits here.
    double m_fade = 0;
    QString m_queuedAfterFade;
};
