// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShowingProcess.h"

#include "settings/SettingsStore.h"
#include "showing/Form2.h"
#include "showing/Form3.h"
#include "showing/LocalShowing.h"
#include "showing/ShowingRequest.h"
#include "showing/video/MpvLibrary.h"
#include "showing/video/MpvVideoPlayer.h"
#include "system/ProgramFiles.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

ShowingProcess::ShowingProcess(int socket)
    : m_channel(socket)
{
    connect(&m_channel, &ShowingChannel::received, this, &ShowingProcess::received);
    // Nothing to show without a request.
    const auto gone = [this] {
        if (!m_showing) {
            QCoreApplication::exit(1);
        }
    };
    // libmpv and the two hundred libraries it pulls in load while the request is on its way, or while a process
    // started ahead of its showing waits for it.
    QTimer::singleShot(0, this, [] { static_cast<void>(MpvLibrary::get()); });
    connect(&m_channel, &ShowingChannel::closed, this, gone);
    connect(&m_channel, &ShowingChannel::broken, this, [gone](const QString& why) {
        qWarning("lumaveil: the showing's connection broke: %s", qPrintable(why));
        gone();
    });
}

ShowingProcess::~ShowingProcess()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void ShowingProcess::received(const ShowingMessage& message)
{
    if (message.kind == QLatin1String("start")) {
        if (const std::optional<ShowingRequest> request = ShowingRequest::fromMessage(message)) {
            start(*request);
            return;
        }
        qWarning("lumaveil: the showing's request cannot be read");
        if (!m_showing) {
            QCoreApplication::exit(1);
        }
    } else if (message.kind == QLatin1String("end")) {
        // Started ahead of a showing that did not come, it goes.
        if (!m_showing) {
            QCoreApplication::exit(0);
            return;
        }
        m_showing->endWithoutAsking();
    }
}

void ShowingProcess::start(const ShowingRequest& request)
{
    if (m_showing) {
        m_showing->play(request);
        return;
    }
    m_settings = SettingsStore::inMemory({{settingKey(Setting::Password), request.password},
                                          {settingKey(Setting::PasswordMouseMove), request.passwordMouseMove}});
    m_prompter =
        std::make_unique<DialogPasswordPrompter>(*m_settings, m_dialogs, m_report, ProgramFiles::programFolder());
    m_showing = std::make_unique<LocalShowing>(
        std::make_unique<MpvVideoPlayer>(MpvVideoPlayer::Options{}), *m_settings, *m_prompter, m_report, m_random);
    LocalShowing* showing = m_showing.get();
    // The other screens' videos are seen, not heard: one sound at a time, and one audio output to open and close.
    showing->setPlayerMaker([] {
        MpvVideoPlayer::Options silent;
        silent.audioOutput = QStringLiteral("null");
        return std::make_unique<MpvVideoPlayer>(silent);
    });
    connect(showing, &Showing::promptShown, this, [this](bool shown) {
        m_channel.send({QStringLiteral("prompt"), {{QStringLiteral("shown"), {shown ? "1" : "0"}}}});
    });
    connect(showing, &Showing::ended, this, [this] { m_channel.send({QStringLiteral("ended"), {}}); });
    connect(showing, &Showing::finished, this, [] { QCoreApplication::exit(0); });
    // Each file as it is opened: should the decoder take the process down, the program knows which file did.
    VideoPlayer* player = &showing->window()->player();
    connect(player, &VideoPlayer::playStateChanged, this, [this, player](int state) {
        if (state == VideoPlayer::Transitioning) {
            m_channel.send({QStringLiteral("playing"), {{QStringLiteral("path"), {player->URL()}}}});
        }
    });
    QCoreApplication::instance()->installEventFilter(this);
    showing->play(request);
}

// The program keeps the time since the last input for the desktop's idle lock; it sees none of the showing's.
bool ShowingProcess::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        if (!m_inputTold.isValid() || m_inputTold.elapsed() >= 1000) {
            m_inputTold.start();
            m_channel.send({QStringLiteral("input"), {}});
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
