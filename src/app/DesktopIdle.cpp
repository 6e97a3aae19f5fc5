// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopIdle.h"

#include <QCoreApplication>
#include <QPointer>

DesktopIdle::DesktopIdle(Sources sources, QObject* parent)
    : QObject(parent)
{
    m_started.start();
    setSources(std::move(sources));
}

DesktopIdle::~DesktopIdle() = default;

void DesktopIdle::setSources(Sources sources)
{
    // Answers still on their way belong to the old sources, and find no round of theirs.
    m_round.reset();
    m_sources = std::move(sources);
    m_search = Search::NotYet;
    m_chosen.reset();
    m_failures.clear();
    m_whyNone.clear();
    m_inhibitionFailedAt.assign(m_sources.inhibitions.size(), std::nullopt);
    m_lastFullScreen = false;
}

void DesktopIdle::setClock(std::function<qint64()> clock)
{
    m_clock = std::move(clock);
}

qint64 DesktopIdle::now() const
{
    return m_clock ? m_clock() : m_started.elapsed();
}

QString DesktopIdle::sourceName() const
{
    return m_chosen ? m_sources.idle[*m_chosen]->name() : QString();
}

void DesktopIdle::setSearch(Search search)
{
    m_search = search;
    emit searchChanged();
}

void DesktopIdle::findSource()
{
    if (m_search != Search::NotYet || m_round) {
        return;
    }
    startRound(false, true, {});
}

void DesktopIdle::lookAgainIfStale()
{
    if (m_search == Search::NoneWorks && now() - m_searchEndedAt >= retryAfterMs) {
        m_search = Search::NotYet;
    }
}

bool DesktopIdle::poll(bool countMayEnd, bool fullScreenCounts, bool idleTimeWanted)
{
    if (m_round) {
        if (now() - m_round->startedAt < giveUpAfterMs) {
            return false;
        }
        m_round.reset();
    }
    std::vector<std::size_t> holds;
    for (std::size_t i = 0; i < m_sources.inhibitions.size(); ++i) {
        const std::optional<qint64> failedAt = m_inhibitionFailedAt[i];
        if (!failedAt || now() - *failedAt >= retryAfterMs) {
            holds.push_back(i);
        }
    }
    // Full-screen windows matter only where the count would end; once one holds it, until it has gone.
    if (m_sources.fullScreen && fullScreenCounts && (countMayEnd || m_lastFullScreen)) {
        holds.push_back(m_sources.inhibitions.size());
    }
    startRound(true, idleTimeWanted, holds);
    return true;
}

void DesktopIdle::cancel()
{
    if (m_round) {
        m_round->cancelled = true;
    }
    m_lastFullScreen = false;
}

bool DesktopIdle::isCurrent(quint64 round) const
{
    return m_round && m_round->id == round;
}

void DesktopIdle::startRound(bool report, bool idleTimeWanted, const std::vector<std::size_t>& holds)
{
    const quint64 id = ++m_lastRound;
    Round round;
    round.id = id;
    round.report = report;
    round.startedAt = now();
    // Every question is counted open before the first is asked: an answer that comes at once cannot end the round
    // while others are still to be asked.
    round.holdsOpen = int(holds.size());
    round.fullScreenAsked = !holds.empty() && holds.back() == m_sources.inhibitions.size();
    m_round = round;

    if (m_search == Search::NoneWorks) {
        idleDone(id, std::nullopt);
    } else if (m_chosen && !idleTimeWanted) {
        idleDone(id, DesktopActivity::NotAsked);
    } else if (m_chosen) {
        const std::size_t index = *m_chosen;
        m_sources.idle[index]->ask([self = QPointer(this), id, index](const IdleAnswer& answer) {
            if (self) {
                self->idleAnswered(id, index, answer);
            }
        });
    } else {
        m_candidate = 0;
        m_failures.clear();
        m_failedInUse.reset();
        setSearch(Search::Running);
        askCandidate(id);
    }

    for (std::size_t hold : holds) {
        if (!isCurrent(id)) {
            return;
        }
        DesktopHold& source =
            hold < m_sources.inhibitions.size() ? *m_sources.inhibitions[hold] : *m_sources.fullScreen;
        source.ask([self = QPointer(this), id, hold](const HoldAnswer& answer) {
            if (self) {
                self->holdAnswered(id, hold, answer);
            }
        });
    }
}

void DesktopIdle::askCandidate(quint64 round)
{
    if (m_failedInUse == m_candidate) {
        ++m_candidate;
    }
    if (m_candidate >= m_sources.idle.size()) {
        m_failedInUse.reset();
        m_whyNone =
            m_failures.isEmpty()
                ? QCoreApplication::translate("DesktopIdle", "nothing tells this program the desktop's idle time")
                : m_failures.join(QStringLiteral("; "));
        m_searchEndedAt = now();
        setSearch(Search::NoneWorks);
        idleDone(round, std::nullopt);
        return;
    }
    const std::size_t index = m_candidate;
    m_sources.idle[index]->ask([self = QPointer(this), round, index](const IdleAnswer& answer) {
        if (self) {
            self->idleAnswered(round, index, answer);
        }
    });
}

void DesktopIdle::idleAnswered(quint64 round, std::size_t index, const IdleAnswer& answer)
{
    if (!isCurrent(round) || !m_round->idleOpen) {
        return;
    }
    if (answer.milliseconds && *answer.milliseconds >= 0) {
        if (m_chosen != index) {
            m_chosen = index;
            m_failures.clear();
            m_failedInUse.reset();
            setSearch(Search::Found);
            if (!isCurrent(round)) {
                return;
            }
        }
        idleDone(round, answer.milliseconds);
        return;
    }
    const QString failure =
        answer.failure.isEmpty() ? QCoreApplication::translate("DesktopIdle", "no answer") : answer.failure;
    m_failures.append(m_sources.idle[index]->name() + QStringLiteral(": ") + failure);
    if (m_chosen == index) {
        // The source in use stopped answering (its service ended, say): the others are tried from the first, and
        // it is not asked twice in one tick.
        m_chosen.reset();
        m_candidate = 0;
        m_failedInUse = index;
        setSearch(Search::Running);
        if (isCurrent(round)) {
            askCandidate(round);
        }
        return;
    }
    ++m_candidate;
    askCandidate(round);
}

void DesktopIdle::idleDone(quint64 round, std::optional<qint64> milliseconds)
{
    if (!isCurrent(round)) {
        return;
    }
    m_round->idleOpen = false;
    m_round->activity.idleMilliseconds = milliseconds;
    finishIfDone();
}

void DesktopIdle::holdAnswered(quint64 round, std::size_t hold, const HoldAnswer& answer)
{
    if (!isCurrent(round)) {
        return;
    }
    const bool held = answer.held.value_or(false);
    if (hold < m_sources.inhibitions.size()) {
        // A desktop without this service answers at once with an error; it is asked again only after a while.
        m_inhibitionFailedAt[hold] = answer.held ? std::nullopt : std::optional<qint64>(now());
        m_round->activity.inhibited = m_round->activity.inhibited || held;
    } else {
        m_round->activity.fullScreen = held;
    }
    --m_round->holdsOpen;
    finishIfDone();
}

void DesktopIdle::finishIfDone()
{
    if (!m_round || m_round->idleOpen || m_round->holdsOpen > 0) {
        return;
    }
    // The round is over before anyone hears of it: what they do next may start another.
    const Round done = *std::exchange(m_round, std::nullopt);
    if (!done.report || done.cancelled) {
        return;
    }
    m_lastFullScreen = done.fullScreenAsked && done.activity.fullScreen;
    emit polled(done.activity);
}
