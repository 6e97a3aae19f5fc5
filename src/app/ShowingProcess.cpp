// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShowingProcess.h"

#include "engine/Form2.h"
#include "engine/Form3.h"
#include "engine/PlaybackSequencer.h"
#include "platform/MpvVideoPlayer.h"
#include "platform/ProgramFiles.h"
#include "platform/VideoPlayer.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>

ShowingProcess::ShowingProcess(int socket)
    : m_channel(socket)
{
    m_playLengthCheck.setInterval(1000);
    connect(&m_channel, &ShowingChannel::received, this, &ShowingProcess::received);
    // Nothing to show without a request.
    const auto gone = [this] {
        if (!m_window) {
            QCoreApplication::exit(1);
        }
    };
    connect(&m_channel, &ShowingChannel::closed, this, gone);
    connect(&m_channel, &ShowingChannel::broken, this, [gone](const QString& why) {
        qWarning("lumaveil: the showing's connection broke: %s", qPrintable(why));
        gone();
    });
}

ShowingProcess::~ShowingProcess()
{
    delete m_window;
}

void ShowingProcess::received(const ShowingMessage& message)
{
    if (message.kind == QLatin1String("start") && !m_request) {
        if (const std::optional<ShowingRequest> request = ShowingRequest::fromMessage(message)) {
            start(*request);
            return;
        }
        qWarning("lumaveil: the showing's request cannot be read");
        QCoreApplication::exit(1);
    } else if (message.kind == QLatin1String("end") && m_window) {
        m_window->endWithoutAsking();
    }
}

void ShowingProcess::start(const ShowingRequest& request)
{
    m_request = request;
    m_settings = SettingsStore::inMemory({{settingKey(Setting::Password), request.password},
                                          {settingKey(Setting::PasswordMouseMove), request.passwordMouseMove}});
    m_prompter =
        std::make_unique<DialogPasswordPrompter>(*m_settings, m_dialogs, m_report, ProgramFiles::programFolder());
    auto* window = new Form2(
        std::make_unique<MpvVideoPlayer>(MpvVideoPlayer::Options{}), *m_request, *m_settings, *m_prompter, m_report);
    m_window = window;
    m_sequencer = std::make_unique<PlaybackSequencer>(*m_request, m_random, m_report);
    connect(m_sequencer.get(), &PlaybackSequencer::aboutToPlay, window, &Form2::prepareForVideo);
    connect(m_sequencer.get(), &PlaybackSequencer::playLengthCheckWanted, this, [this](bool on) {
        on ? m_playLengthCheck.start() : m_playLengthCheck.stop();
    });
    connect(&m_playLengthCheck, &QTimer::timeout, m_sequencer.get(), &PlaybackSequencer::checkPlayLength);
    connect(window, &Form2::promptShown, m_sequencer.get(), &PlaybackSequencer::setHeld);
    connect(window, &Form2::promptShown, this, [this](bool shown) {
        m_channel.send({QStringLiteral("prompt"), {{QStringLiteral("shown"), {shown ? "1" : "0"}}}});
    });
    connect(window, &Form2::showingEnded, this, [this] {
        m_sequencer->requestStop();
        m_channel.send({QStringLiteral("ended"), {}});
    });
    // Each file as it is opened: should the decoder take the process down, the program knows which file did.
    VideoPlayer* player = &window->player();
    connect(player, &VideoPlayer::playStateChanged, this, [this, player](int state) {
        if (state == VideoPlayer::Transitioning) {
            m_channel.send({QStringLiteral("playing"), {{QStringLiteral("path"), {player->URL()}}}});
        }
    });
    connect(window, &QObject::destroyed, this, [] { QCoreApplication::exit(0); });
    m_sequencer->start(&window->player(), [this] { return m_request->paths; });
}
