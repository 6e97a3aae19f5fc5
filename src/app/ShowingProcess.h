// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/ErrorReport.h"
#include "showing/RandomGenerator.h"
#include "showing/ShowingChannel.h"
#include "widgets/QtDialogs.h"

#include <QElapsedTimer>

#include <memory>

class DialogPasswordPrompter;
class LocalShowing;
class SettingsStore;
struct ShowingRequest;

/**
 * The process of a showing, the program's own file started with the end of a socket pair: it is handed a request,
 * plays it in the playback window, and tells the program how the showing goes. It holds the player, so that the
 * decoder's memory goes with the process, and a decoder that fails takes only the showing down.
 *
 * Told: "playing" (with "path") as each file is opened, "prompt" (with "shown" 1 or 0) as the password prompt opens and
 * closes, "input" on a key, click or wheel turn (at most once a second), and "ended" as input ends the showing.
 * Asked: "start" again starts the showing afresh with the new request; "end" ends it at once, without the password (the
 * desktop locks, or the machine sleeps), or, before a request, lets the process go. Where the program goes away, the
 * showing goes on until its end, password and all: the desktop stays covered.
 */
class ShowingProcess : public QObject
{
    Q_OBJECT

public:
    /** Takes over the socket; the process quits as the showing's window goes. */
    explicit ShowingProcess(int socket);
    ~ShowingProcess() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void received(const ShowingMessage& message);
    void start(const ShowingRequest& request);

    ShowingChannel m_channel;
    QtDialogs m_dialogs;
    ErrorReport m_report{m_dialogs};
    RandomGenerator m_random;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<DialogPasswordPrompter> m_prompter;
    std::unique_ptr<LocalShowing> m_showing;
    QElapsedTimer m_inputTold;
};
