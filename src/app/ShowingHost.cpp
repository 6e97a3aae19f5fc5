// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ShowingHost.h"

#include "desktop/SessionWatcher.h"
#include "showing/ChildShowing.h"
#include "showing/Form2.h"
#include "showing/LocalShowing.h"
#include "showing/PlaybackSequencer.h"
#include "showing/ShowingRequest.h"
#include "showing/video/BlankPlayer.h"

#include <QTimer>

ShowingHost::ShowingHost(const Services& services, SessionWatcher& sessionWatcher, QObject* parent)
    : QObject(parent)
    , m_services(services)
    , m_sessionWatcher(sessionWatcher)
    , m_idleLock(services.buses.session)
{}

ShowingHost::~ShowingHost()
{
    delete m_showing;
}

// In the program as it is installed, a showing plays in a process of its own, which takes the decoder's memory and
// any crash of it along when it goes.
void ShowingHost::start(const ShowingRequest& request, std::optional<qint64> idleBeforeMs)
{
    const bool running = isRunning();
    if (!running) {
        if (m_services.makePlayer) {
            LocalShowing* showing = localShowing(m_services.makePlayer());
            showing->setPlayerMaker(m_services.makePlayer);
            m_showing = showing;
        } else {
            if (!m_childShowing) {
                m_childShowing = new ChildShowing(m_services.showingProgram, this);
            }
            m_showing = m_childShowing;
        }
        ++m_preparations;
        follow(m_showing);
        m_idleLock.begin(m_showing, idleBeforeMs);
    }
    if (!m_showing->play(request)) {
        qWarning("lumaveil: the showing cannot start");
        if (!running) {
            died();
        }
    }
}

void ShowingHost::prepare()
{
    if (m_services.makePlayer || isRunning()) {
        return;
    }
    if (!m_childShowing) {
        m_childShowing = new ChildShowing(m_services.showingProgram, this);
    }
    if (m_childShowing->isRunning() || !m_childShowing->prepare()) {
        return;
    }
    // Long enough for a countdown that ends with the next tick, or the one after, when the desktop is slow to tell.
    constexpr int preparedForMs = 5000;
    const quint64 round = ++m_preparations;
    QTimer::singleShot(preparedForMs, this, [this, round] {
        if (round == m_preparations && m_showing != m_childShowing) {
            m_childShowing->endWithoutAsking();
        }
    });
}

LocalShowing* ShowingHost::localShowing(std::unique_ptr<VideoPlayer> player)
{
    auto* showing = new LocalShowing(
        std::move(player), m_services.settings, m_services.prompter, m_services.report, m_services.random, this);
    // It goes once it has finished; the showings' process stays for the next showing.
    connect(showing, &Showing::finished, showing, &QObject::deleteLater);
    return showing;
}

void ShowingHost::follow(Showing* showing)
{
    connect(showing, &Showing::ended, this, [this] {
        m_idleLock.end();
        emit ended();
    });
    connect(showing, &Showing::died, this, &ShowingHost::died);
    connect(showing, &Showing::finished, this, &ShowingHost::finished);
    connect(showing, &Showing::promptShown, &m_idleLock, &IdleLockHandover::promptShown);
    connect(showing, &Showing::inputSeen, &m_idleLock, &IdleLockHandover::inputSeen);
    m_sessionWatcher.setShowing(true);
}

// A showing's process that dies must not leave the desktop open where the password guards it: the screens stay
// black until the password is given, as they would in the showing. Without the password, the death ends the showing
// as input would.
void ShowingHost::died()
{
    if (!Form2::asksPassword(m_services.settings)) {
        m_idleLock.end();
        emit ended();
        return;
    }
    LocalShowing* cover = localShowing(std::make_unique<BlankPlayer>());
    m_showing->disconnect(this);
    m_showing = cover;
    follow(cover);
    m_idleLock.handOn(cover);
    cover->cover();
}

void ShowingHost::finished()
{
    if (sender() == m_showing) {
        forget();
    }
}

void ShowingHost::forget()
{
    m_sessionWatcher.setShowing(false);
    m_idleLock.end();
    m_showing->disconnect(this);
    m_showing = nullptr;
}

void ShowingHost::endWithoutAsking()
{
    if (!m_showing) {
        return;
    }
    Showing* showing = m_showing;
    forget();
    showing->endWithoutAsking();
}

void ShowingHost::requestStop()
{
    if (auto* local = qobject_cast<LocalShowing*>(m_showing)) {
        local->sequencer().requestStop();
    }
}

Form2* ShowingHost::playbackWindow() const
{
    const auto* local = qobject_cast<LocalShowing*>(m_showing);
    return local ? local->window() : nullptr;
}
