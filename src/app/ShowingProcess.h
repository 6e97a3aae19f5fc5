// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ErrorReport.h"
#include "engine/RandomGenerator.h"
#include "platform/QtDialogs.h"
#include "showing/ShowingChannel.h"
#include "showing/ShowingRequest.h"

#include <QPointer>
#include <QTimer>

#include <memory>
#include <optional>

class DialogPasswordPrompter;
class Form2;
class PlaybackSequencer;
class SettingsStore;

/**
 * The process of a showing, the program's own file started with the end of a socket pair: it is handed a request,
 * plays it in the playback window, and tells the program how the showing goes. It holds the player, so that the
 * decoder's memory goes with the process, and a decoder that fails takes only the showing down.
 *
 * Told: "playing" (with "path") as each file is opened, "prompt" (with "shown" 1 or 0) as the password prompt opens and
 * closes, and "ended" as input ends the showing.
 * Asked: "end" ends it at once, without the password (the desktop locks, or the machine sleeps). Where the program
 * goes away, the showing goes on until its end, password and all: the desktop stays covered.
 */
class ShowingProcess : public QObject
{
    Q_OBJECT

public:
    /** Takes over the socket; the process quits as the showing's window goes. */
    explicit ShowingProcess(int socket);
    ~ShowingProcess() override;

private:
    void received(const ShowingMessage& message);
    void start(const ShowingRequest& request);

    ShowingChannel m_channel;
    QtDialogs m_dialogs;
    ErrorReport m_report{m_dialogs};
    RandomGenerator m_random;
    // The request is the sequencer's options: it lives as long as the showing.
    std::optional<ShowingRequest> m_request;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<DialogPasswordPrompter> m_prompter;
    std::unique_ptr<PlaybackSequencer> m_sequencer;
    QTimer m_playLengthCheck;
    QPointer<Form2> m_window;
};
