// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/LocalShowing.h"

#include "showing/Form2.h"
#include "showing/PlaybackSequencer.h"
#include "showing/video/VideoPlayer.h"

LocalShowing::LocalShowing(std::unique_ptr<VideoPlayer> player,
                           SettingsStore& settings,
                           PasswordPrompter& prompter,
                           ErrorReporter& report,
                           RandomGenerator& random,
                           QObject* parent)
    : Showing(parent)
    , m_sequencer(std::make_unique<PlaybackSequencer>(m_request, random, report))
    , m_playLengthCheck(new QTimer(this))
    , m_window(new Form2(std::move(player), m_request, settings, prompter, report))
{
    m_playLengthCheck->setObjectName(QStringLiteral("Timer2"));
    m_playLengthCheck->setInterval(1000);
    connect(m_sequencer.get(), &PlaybackSequencer::aboutToPlay, m_window, &Form2::prepareForVideo);
    connect(m_sequencer.get(), &PlaybackSequencer::playLengthCheckWanted, this, [this](bool on) {
        on ? m_playLengthCheck->start() : m_playLengthCheck->stop();
    });
    connect(m_playLengthCheck, &QTimer::timeout, m_sequencer.get(), &PlaybackSequencer::checkPlayLength);
    connect(m_window, &Form2::promptShown, m_sequencer.get(), &PlaybackSequencer::setHeld);
    connect(m_window, &Form2::promptShown, this, &Showing::promptShown);
    connect(m_window, &Form2::showingEnded, this, [this] {
        m_sequencer->requestStop();
        emit ended();
    });
    connect(m_window, &QObject::destroyed, this, [this] {
        m_sequencer->requestStop();
        m_playLengthCheck->stop();
        emit finished();
    });
}

LocalShowing::~LocalShowing()
{
    if (m_window) {
        m_window->disconnect(this);
        delete m_window;
    }
}

bool LocalShowing::play(const ShowingRequest& request)
{
    if (!m_window) {
        return false;
    }
    m_request = request;
    m_sequencer->start(&m_window->player(), [this] { return m_request.paths; });
    return true;
}

void LocalShowing::cover()
{
    if (m_window) {
        m_window->prepareForVideo(true);
    }
}

void LocalShowing::endWithoutAsking()
{
    if (m_window) {
        m_window->endWithoutAsking();
    }
}
