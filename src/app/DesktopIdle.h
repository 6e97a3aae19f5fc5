// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/DesktopActivity.h"
#include "desktop/DesktopHold.h"
#include "desktop/IdleSource.h"

#include <QElapsedTimer>
#include <QObject>
#include <QStringList>

#include <memory>
#include <vector>

/**
 * What the countdown learns from the desktop, when it counts inactivity on the whole desktop: the idle time from the
 * first of its sources that works, whether another program holds the idle action off, and near the end of the count
 * whether another program is full screen. It asks only when asked, once for each tick of the countdown, and never two
 * questions at a time; it owns no timer.
 */
class DesktopIdle : public QObject
{
    Q_OBJECT

public:
    struct Sources
    {
        /** In the order of preference: the first that answers is used from then on. */
        std::vector<std::unique_ptr<IdleSource>> idle;
        /** Each one that answers is asked on every tick. */
        std::vector<std::unique_ptr<DesktopHold>> inhibitions;
        std::unique_ptr<DesktopHold> fullScreen;
    };

    /** Where the search for a source of the idle time stands. */
    enum class Search
    {
        NotYet,
        Running,
        Found,
        NoneWorks,
    };

    /** A hold or a search that failed is tried again after this long. */
    static constexpr qint64 retryAfterMs = 60000;
    /** A question that has had no answer for this long is given up, so that a dead service cannot stop the count. */
    static constexpr qint64 giveUpAfterMs = 3000;

    explicit DesktopIdle(Sources sources = {}, QObject* parent = nullptr);
    ~DesktopIdle() override;

    /** Puts other sources in place and forgets what was learnt of the old ones. */
    void setSources(Sources sources);
    /** A monotonic clock in milliseconds, for the retries; tests set their own. */
    void setClock(std::function<qint64()> clock);

    [[nodiscard]] Search search() const
    {
        return m_search;
    }
    /** The source in use, once one is found. */
    [[nodiscard]] QString sourceName() const;
    /** Why no source works, once that is known: each source with its reason. */
    [[nodiscard]] QString whyNoneWorks() const
    {
        return m_whyNone;
    }

    /** Looks for a source that works, unless it is known already; searchChanged() tells the outcome. */
    void findSource();
    /** Where no source worked a while ago, the next question looks again: the desktop's services may be up now. */
    void lookAgainIfStale();

    /**
     * Asks the desktop for one tick: the idle time and the inhibitions, and full-screen windows where they count and
     * the count may end with this tick or a full-screen window held it last time. Where the idle time is not wanted
     * and a source of it is known, the answer carries DesktopActivity::NotAsked instead. polled() answers, at once
     * or from the event loop. Returns false, asking nothing, while the previous question is still open.
     */
    bool poll(bool countMayEnd, bool fullScreenCounts, bool idleTimeWanted = true);
    [[nodiscard]] bool isPolling() const
    {
        return m_round.has_value();
    }
    /** The open question's answer is not wanted any more; what it teaches about the sources is kept. */
    void cancel();

signals:
    void searchChanged();
    void polled(const DesktopActivity& activity);

private:
    struct Round
    {
        quint64 id = 0;
        bool report = false;
        bool cancelled = false;
        bool idleOpen = true;
        int holdsOpen = 0;
        bool fullScreenAsked = false;
        qint64 startedAt = 0;
        DesktopActivity activity;
    };

    [[nodiscard]] qint64 now() const;
    [[nodiscard]] bool isCurrent(quint64 round) const;
    // The holds are numbered as the inhibitions, and the full-screen hold after them.
    void startRound(bool report, bool idleTimeWanted, const std::vector<std::size_t>& holds);
    void askCandidate(quint64 round);
    void idleAnswered(quint64 round, std::size_t index, const IdleAnswer& answer);
    void idleDone(quint64 round, std::optional<qint64> milliseconds);
    void holdAnswered(quint64 round, std::size_t hold, const HoldAnswer& answer);
    void finishIfDone();
    void setSearch(Search search);

    Sources m_sources;
    Search m_search = Search::NotYet;
    std::optional<std::size_t> m_chosen;
    std::size_t m_candidate = 0;
    // The source that was in use until it failed in this search; the search passes it by.
    std::optional<std::size_t> m_failedInUse;
    QStringList m_failures;
    QString m_whyNone;
    qint64 m_searchEndedAt = 0;
    // For each inhibition that failed, when it did: it is left alone for a while.
    std::vector<std::optional<qint64>> m_inhibitionFailedAt;
    bool m_lastFullScreen = false;
    std::optional<Round> m_round;
    quint64 m_lastRound = 0;
    QElapsedTimer m_started;
    std::function<qint64()> m_clock;
};
