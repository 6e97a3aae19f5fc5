// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/LocalShowing.h"

#include "showing/Form2.h"
#include "showing/PlaybackSequencer.h"
#include "showing/video/VideoPlayer.h"

#include <QVBoxLayout>

// Another screen's own sequence of videos, on a player of its own that fills the screen's cover. It goes with the
// cover, when the showing ends or the screen is gone.
class ScreenPlayback : public QWidget
{
public:
    ScreenPlayback(std::unique_ptr<VideoPlayer> player,
                   PlaybackOptions& options,
                   RandomGenerator& random,
                   ErrorReporter& report)
        : m_player(std::move(player))
        , m_sequencer(options, random, report)
    {
        if (QWidget* picture = m_player->videoWidget()) {
            auto* layout = new QVBoxLayout(this);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->addWidget(picture);
        }
        m_playLengthCheck.setInterval(1000);
        connect(&m_sequencer, &PlaybackSequencer::playLengthCheckWanted, this, [this](bool on) {
            on ? m_playLengthCheck.start() : m_playLengthCheck.stop();
        });
        connect(&m_playLengthCheck, &QTimer::timeout, &m_sequencer, &PlaybackSequencer::checkPlayLength);
    }

    ~ScreenPlayback() override
    {
        m_sequencer.requestStop();
        m_player->close();
    }

    VideoPlayer& player()
    {
        return *m_player;
    }
    PlaybackSequencer& sequencer()
    {
        return m_sequencer;
    }

private:
    std::unique_ptr<VideoPlayer> m_player;
    PlaybackSequencer m_sequencer;
    QTimer m_playLengthCheck;
};

LocalShowing::LocalShowing(std::unique_ptr<VideoPlayer> player,
                           SettingsStore& settings,
                           PasswordPrompter& prompter,
                           ErrorReporter& report,
                           RandomGenerator& random,
                           QObject* parent)
    : Showing(parent)
    , m_random(random)
    , m_report(report)
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

void LocalShowing::setPlayerMaker(PlayerMaker make)
{
    m_makePlayer = std::move(make);
}

bool LocalShowing::play(const ShowingRequest& request)
{
    if (!m_window) {
        return false;
    }
    m_request = request;
    fillScreens();
    const auto paths = [this] { return m_request.paths; };
    m_sequencer->start(&m_window->player(), paths);
    for (ScreenPlayback* screen : m_screens) {
        if (screen) {
            screen->sequencer().start(&screen->player(), paths);
        }
    }
    return true;
}

// What the other screens show from the next one covered on.
void LocalShowing::fillScreens()
{
    if (m_request.screens == QLatin1String("Same")) {
        m_window->setCoverFill([this](QScreen*) { return m_window->player().makeMirror(); });
        return;
    }
    if (m_request.screens != QLatin1String("Each") || !m_makePlayer) {
        m_window->setCoverFill({});
        return;
    }
    m_sequencer->setScreen(0, [this] { return playedBesides(m_sequencer.get()); });
    m_window->setCoverFill([this](QScreen*) -> std::unique_ptr<QWidget> {
        auto screen = std::make_unique<ScreenPlayback>(m_makePlayer(), m_request, m_random, m_report);
        PlaybackSequencer* sequencer = &screen->sequencer();
        sequencer->setScreen(++m_screensMade, [this, sequencer] { return playedBesides(sequencer); });
        m_window->takeInputOf(screen->player());
        connect(m_window, &Form2::promptShown, sequencer, &PlaybackSequencer::setHeld);
        std::erase_if(m_screens, [](const QPointer<ScreenPlayback>& gone) { return !gone; });
        m_screens.emplace_back(screen.get());
        sequencer->start(&screen->player(), [this] { return m_request.paths; });
        return screen;
    });
}

// The files that the other screens play, for a screen's choice at random to pass over.
QSet<QString> LocalShowing::playedBesides(const PlaybackSequencer* sequencer) const
{
    QSet<QString> played;
    if (sequencer != m_sequencer.get()) {
        played.insert(m_sequencer->currentPath());
    }
    for (ScreenPlayback* screen : m_screens) {
        if (screen && &screen->sequencer() != sequencer) {
            played.insert(screen->sequencer().currentPath());
        }
    }
    played.remove(QString());
    return played;
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
