// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/IdleLockHandover.h"
#include "app/Services.h"
#include "showing/Showing.h"

#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class ChildShowing;
class Form2;
class LocalShowing;
class VideoPlayer;
class SessionWatcher;
struct ShowingRequest;

/**
 * The showing as the program keeps it: starts it where it plays (in a process of its own, or here where tests give a
 * player), follows it to its end, and keeps the desktop covered behind the password where the showing's process dies.
 * While a showing runs, the session watcher knows of it and the desktop's idle lock keeps its time.
 */
class ShowingHost : public QObject
{
    Q_OBJECT

public:
    ShowingHost(const Services& services, SessionWatcher& sessionWatcher, QObject* parent = nullptr);
    ~ShowingHost() override;

    /**
     * Starts a showing of the request, or starts the running one afresh with it. idleBeforeMs is the inactivity
     * counted before a showing that the countdown started; nothing for one started by hand.
     */
    void start(const ShowingRequest& request, std::optional<qint64> idleBeforeMs);
    /**
     * A showing may start within moments: its process starts now, so that the first picture comes sooner. Where no
     * showing has started a few seconds later, it goes again.
     */
    void prepare();
    /** Ends the showing at once, without the password; for the program it is over from here. */
    void endWithoutAsking();
    /** No further video starts in a showing that plays here. */
    void requestStop();

    [[nodiscard]] bool isRunning() const
    {
        return m_showing != nullptr;
    }
    /** The showing that runs, wherever it plays; none between showings. */
    [[nodiscard]] Showing* showing() const
    {
        return m_showing;
    }
    /** The playback window while a showing runs in this process. */
    [[nodiscard]] Form2* playbackWindow() const;
    IdleLockHandover& idleLock()
    {
        return m_idleLock;
    }

signals:
    /**
     * Input ended the showing, after the password where one is asked; or its process died where no password guards
     * the desktop.
     */
    void ended();

private:
    /** A showing in this process, with the player given. */
    LocalShowing* localShowing(std::unique_ptr<VideoPlayer> player);
    void follow(Showing* showing);
    void died();
    void finished();
    // From here on the showing ends on its own, and nothing it tells matters any more.
    void forget();

    const Services& m_services;
    SessionWatcher& m_sessionWatcher;
    IdleLockHandover m_idleLock;
    QPointer<Showing> m_showing;
    // The showings' own process, where the program plays in one; it remembers the files that took it down.
    ChildShowing* m_childShowing = nullptr;
    // Each start ahead of a showing, so that an earlier one's time runs out unheard.
    quint64 m_preparations = 0;
};
