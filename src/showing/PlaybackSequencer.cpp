// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/PlaybackSequencer.h"

#include "showing/PlaybackOptions.h"
#include "showing/RandomGenerator.h"
#include "showing/video/VideoPlayer.h"
#include "system/Convert.h"
#include "system/Failure.h"
#include "system/GuardedRoutine.h"
#include "system/RoutinePaths.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

PlaybackSequencer::PlaybackSequencer(PlaybackOptions& options,
                                     RandomGenerator& random,
                                     ErrorReporter& reporter,
                                     QObject* parent)
    : QObject(parent)
    , m_options(options)
    , m_random(random)
    , m_reporter(reporter)
{}

double PlaybackSequencer::PickRandomItem(RandomGenerator& random, qint32 count)
{
    return std::floor(random.next() * count) + 1;
}

double PlaybackSequencer::PickRandomStart(RandomGenerator& random, double duration)
{
    return random.next() * duration + 1;
}

void PlaybackSequencer::start(VideoPlayer* player, Items items)
{
    if (player != m_player) {
        if (m_player) {
            disconnect(m_player, nullptr, this, nullptr);
        }
        m_player = player;
        if (player) {
            connect(player, &VideoPlayer::playStateChanged, this, &PlaybackSequencer::onStateChanged);
        }
    }
    m_items = std::move(items);
    m_orderCounter = m_screen;
    m_phase = Phase::Ending;
    m_next.reset();
    m_failed.clear();
    ++m_generation;
    cycle();
}

void PlaybackSequencer::requestStop()
{
    m_phase = Phase::Stopped;
    m_onPlaying = OnPlaying::Nothing;
    m_currentPath.clear();
    ++m_generation;
    setPlayLengthCheck(false);
}

void PlaybackSequencer::setScreen(qint32 index, std::function<QSet<QString>()> taken)
{
    m_screen = std::max(0, index);
    m_taken = std::move(taken);
}

QString PlaybackSequencer::currentPath() const
{
    return m_currentPath;
}

void PlaybackSequencer::cycle()
{
    if (m_phase == Phase::Stopped || !m_player) {
        if (!m_player) {
            m_phase = Phase::NotStarted;
        }
        setPlayLengthCheck(false);
        return;
    }
    GuardedRoutine routine(m_reporter, RoutinePath::Form1_PlayVideo);
    const QStringList items = m_items ? m_items() : QStringList();
    const qint32 count = itemCount(items);
    if (count <= 0) {
        // The list emptied during the showing: wait, black, for input to end it.
        m_phase = Phase::Idle;
        return;
    }
    qint32 item = 1;
    const std::optional<Preselection> next = std::exchange(m_next, std::nullopt);
    if (next && next->random == m_options.playRandomly() && next->items == items) {
        item = next->item;
        m_orderCounter = next->orderCounter;
    } else {
        routine.step(108, [&] { item = chooseItem(count, m_orderCounter); });
    }
    item = std::clamp(item, 1, count);
    if (m_options.playRandomly()) {
        item = avoidTaken(item, items);
    }
    m_item = item;
    m_currentPath = items.at(item - 1);
    m_phase = Phase::Opening;
    m_onPlaying = OnPlaying::Nothing;
    setPlayLengthCheck(false);

    routine.step(110, [&] { emit aboutToPlay(m_options.showFullScreen()); });
    // Before the file is set: the fade decides what the picture on the screen does meanwhile.
    m_player->setFade(m_options.fadeSeconds());
    routine.step(114, [&] { m_player->setURL(items.at(item - 1)); });
    routine.step(116, [&] { m_player->setStretchToFit(true); });
    routine.step(118, [&] {
        if (m_options.soundDisabled()) {
            m_player->setVolume(0);
            m_player->setMute(true);
        } else {
            m_player->setMute(false);
            m_player->setVolume(100);
        }
    });
    routine.step(120, [&] { m_player->setUiMode(QStringLiteral("none")); });
    const bool limited = m_options.limitPlayLength();
    if (routine.test(122, [&] { return limited; })) {
        routine.step(124, [&] { StopPosition = Convert::toLong(m_options.playLengthText()); });
    }
    if (routine.test(126, [&] { return m_options.startAtRandomPlace(); })) {
        // The start is chosen once the player knows the video's length, when it plays.
        m_onPlaying = OnPlaying::StartAtRandomPlace;
        return;
    }
    // The check starts when the video does: a video that is slow to open is no video that played too long.
    m_onPlaying = limited ? OnPlaying::CheckPlayLength : OnPlaying::Nothing;
}

// The list's length as the 32-bit count that the choice works with.
qint32 PlaybackSequencer::itemCount(const QStringList& items)
{
    return static_cast<qint32>(std::min<qsizetype>(items.size(), std::numeric_limits<qint32>::max()));
}

qint32 PlaybackSequencer::chooseItem(qint32 count, qint32& orderCounter)
{
    if (m_options.playRandomly()) {
        return Convert::toLong(PickRandomItem(m_random, count));
    }
    // In order; also when neither order is chosen.
    if (++orderCounter > count) {
        orderCounter = 1;
    }
    return orderCounter;
}

// Another screen plays it: the next file along that none plays, where there is one.
qint32 PlaybackSequencer::avoidTaken(qint32 item, const QStringList& items) const
{
    if (!m_taken) {
        return item;
    }
    const QSet<QString> taken = m_taken();
    const qint32 count = itemCount(items);
    for (qint32 step = 0; step < count; ++step) {
        const qint32 candidate = (item - 1 + step) % count + 1;
        if (!taken.contains(items.at(candidate - 1))) {
            return candidate;
        }
    }
    return item;
}

// The next video is chosen while this one plays, so that the player can open it ahead.
void PlaybackSequencer::preselectNext()
{
    const QStringList items = m_items ? m_items() : QStringList();
    const qint32 count = itemCount(items);
    if (count <= 0 || !m_player) {
        return;
    }
    qint32 orderCounter = m_orderCounter;
    qint32 item = 1;
    try {
        item = std::clamp(chooseItem(count, orderCounter), 1, count);
        if (m_options.playRandomly()) {
            item = avoidTaken(item, items);
        }
    } catch (const Failure&) {
        // Chosen again, with the error report, when the video's time comes.
        return;
    }
    m_next = Preselection{item, orderCounter, m_options.playRandomly(), items};
    m_player->queueNext(items.at(item - 1));
}

void PlaybackSequencer::onStateChanged(int state)
{
    // Between one video's end and the next one's start, the ended one has nothing more to tell.
    if (sender() != m_player || (m_phase != Phase::Opening && m_phase != Phase::Playing && m_phase != Phase::Idle)) {
        return;
    }
    if (state == VideoPlayer::Playing) {
        m_phase = Phase::Playing;
        m_failed.clear();
        switch (std::exchange(m_onPlaying, OnPlaying::Nothing)) {
        case OnPlaying::StartAtRandomPlace:
            startAtRandomPlace();
            break;
        case OnPlaying::CheckPlayLength:
            setPlayLengthCheck(true);
            break;
        case OnPlaying::Nothing:
            break;
        }
        preselectNext();
    } else if (state == VideoPlayer::Stopped || state == VideoPlayer::Ready) {
        videoEnded();
    }
}

void PlaybackSequencer::startAtRandomPlace()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form1_PlayVideo);
    const double duration = m_player->duration();
    qint32 start = 1;
    routine.step(128, [&] { start = Convert::toLong(PickRandomStart(m_random, duration)); });
    // The start stays inside the video, half a second or more before its end: one past the end would end it at once.
    if (duration > 0) {
        start = std::min(start, static_cast<qint32>(std::max(0.0, std::floor(duration - 0.5))));
    }
    routine.step(130, [&] { m_player->setCurrentPosition(start); });
    const bool limited = m_options.limitPlayLength();
    if (routine.test(132, [&] { return limited; })) {
        routine.step(134,
                     [&] { StopPosition = Convert::toLong(start + Convert::toDouble(m_options.playLengthText())); });
    }
    if (limited) {
        setPlayLengthCheck(true);
    }
}

void PlaybackSequencer::videoEnded()
{
    setPlayLengthCheck(false);
    m_onPlaying = OnPlaying::Nothing;
    if (m_phase != Phase::Playing) {
        // A video that never played is skipped; when every video of the list failed in a row, the showing rests.
        m_failed.insert(m_item);
        const qsizetype count = m_items ? m_items().size() : 0;
        if (m_failed.size() >= count) {
            m_phase = Phase::Idle;
            return;
        }
    }
    if (m_held) {
        m_phase = Phase::Waiting;
        return;
    }
    m_phase = Phase::Ending;
    scheduleCycle();
}

// The next video starts once the current event has been handled; a new start or a stop meanwhile supersedes it.
void PlaybackSequencer::scheduleCycle()
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation) {
                cycle();
            }
        },
        Qt::QueuedConnection);
}

void PlaybackSequencer::setHeld(bool held)
{
    m_held = held;
    if (!held && m_phase == Phase::Waiting) {
        m_phase = Phase::Ending;
        scheduleCycle();
    }
}

void PlaybackSequencer::checkPlayLength()
{
    if (!m_playLengthCheck || !m_player) {
        return;
    }
    // A fade to the next video falls inside the seconds played.
    if (m_player->currentPosition() + m_options.fadeSeconds() >= StopPosition) {
        m_player->stop();
        setPlayLengthCheck(false);
    }
}

void PlaybackSequencer::setPlayLengthCheck(bool on)
{
    if (on == m_playLengthCheck) {
        return;
    }
    m_playLengthCheck = on;
    emit playLengthCheckWanted(on);
}
