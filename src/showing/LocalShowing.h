// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/Showing.h"
#include "showing/ShowingRequest.h"

#include <QPointer>
#include <QSet>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class ErrorReporter;
class Form2;
class PasswordPrompter;
class PlaybackSequencer;
class RandomGenerator;
class ScreenPlayback;
class SettingsStore;
class VideoPlayer;

/**
 * A showing in this process: the playback window with its player, and the sequence of videos it plays. The showing's
 * own process plays its request in one; so does the program where it covers the screens after a showing's process died,
 * with a player that plays nothing.
 *
 * The request says what the other screens show: black, the same picture, or each its own sequence of videos, with a
 * player of its own.
 */
class LocalShowing : public Showing
{
    Q_OBJECT

public:
    /** settings: where the window reads the password's options. */
    LocalShowing(std::unique_ptr<VideoPlayer> player,
                 SettingsStore& settings,
                 PasswordPrompter& prompter,
                 ErrorReporter& report,
                 RandomGenerator& random,
                 QObject* parent = nullptr);
    ~LocalShowing() override;

    using PlayerMaker = std::function<std::unique_ptr<VideoPlayer>()>;
    /** Makes the player of each other screen where the request wants its own video on each; without, they are black. */
    void setPlayerMaker(PlayerMaker make);

    bool play(const ShowingRequest& request) override;
    /** Covers the screens in black, as a showing does, with nothing to play: input ends it as it ends a showing. */
    void cover();
    void endWithoutAsking() override;

    [[nodiscard]] Form2* window() const
    {
        return m_window;
    }
    [[nodiscard]] PlaybackSequencer& sequencer() const
    {
        return *m_sequencer;
    }

private:
    void fillScreens();
    [[nodiscard]] QSet<QString> playedBesides(const PlaybackSequencer* sequencer) const;

    // The request is the sequencer's options: it lives as long as the showing.
    ShowingRequest m_request;
    RandomGenerator& m_random;
    ErrorReporter& m_report;
    PlayerMaker m_makePlayer;
    std::unique_ptr<PlaybackSequencer> m_sequencer;
    // Found by name while a limited video plays.
    QTimer* m_playLengthCheck;
    QPointer<Form2> m_window;
    // The other screens' own sequences, as long as their screens are there; each new screen gets the next number.
    std::vector<QPointer<ScreenPlayback>> m_screens;
    qint32 m_screensMade = 0;
};
