// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>

class ErrorReporter;
class PlaybackOptions;
class RandomGenerator;
class VideoPlayer;

/**
 * One showing: plays the videos of the playable list one after another, in order or at random, each from its start
 * or from a random place, in full or for a set number of seconds, until a stop is requested. It follows the player's
 * events; nothing waits or polls. The options are read afresh for every video.
 */
class PlaybackSequencer : public QObject
{
    Q_OBJECT

public:
    using Items = std::function<QStringList()>;

    PlaybackSequencer(PlaybackOptions& options,
                      RandomGenerator& random,
                      ErrorReporter& reporter,
                      QObject* parent = nullptr);

    /** floor(r × n) + 1: an item number from 1 to n, each equally likely. */
    [[nodiscard]] static double PickRandomItem(RandomGenerator& random, qint32 count);
    /** r × d + 1 seconds. */
    [[nodiscard]] static double PickRandomStart(RandomGenerator& random, double duration);

    /**
     * Starts a showing on the player, or starts the running one afresh: the order begins again at the first item.
     * items gives the playable list as it stands whenever a video is chosen.
     */
    void start(VideoPlayer* player, Items items);
    /** No further video starts; the one playing goes on until its window closes it. */
    void requestStop();
    /**
     * For a showing with its own video on each screen: this sequence plays screen `index` (0 for the first). In order,
     * it starts at the video after the index'th; at random, it passes over the files that taken() tells the other
     * screens play, where the list holds another.
     */
    void setScreen(qint32 index, std::function<QSet<QString>()> taken);
    /** The file of the current video; empty before the first. */
    [[nodiscard]] QString currentPath() const;

    [[nodiscard]] bool StopRequested() const
    {
        return m_phase == Phase::Stopped;
    }
    [[nodiscard]] bool isShowing() const
    {
        return m_phase != Phase::NotStarted && m_phase != Phase::Stopped;
    }
    /** Every video of the list failed in a row: the showing waits, black, for input to end it. */
    [[nodiscard]] bool isIdle() const
    {
        return m_phase == Phase::Idle;
    }

    /** While held (the password prompt is open), the showing does not move on to the next video. */
    void setHeld(bool held);

    /** The play-length check, once a second while a limited video plays: stops it once it reached the limit. */
    void checkPlayLength();

    /** The position, in whole seconds, at which the play-length check stops the current video. */
    qint32 StopPosition = 0;

signals:
    /** A video is about to start: the playback window shows itself, parks the pointer and comes to the top. */
    void aboutToPlay(bool fullScreen);
    /** The play-length check is wanted (for the current video) or not. */
    void playLengthCheckWanted(bool on);

private:
    void cycle();
    static qint32 itemCount(const QStringList& items);
    qint32 chooseItem(qint32 count, qint32& orderCounter);
    [[nodiscard]] qint32 avoidTaken(qint32 item, const QStringList& items) const;
    void preselectNext();
    void onStateChanged(int state);
    void startAtRandomPlace();
    void videoEnded();
    void scheduleCycle();
    void setPlayLengthCheck(bool on);

    PlaybackOptions& m_options;
    RandomGenerator& m_random;
    ErrorReporter& m_reporter;
    QPointer<VideoPlayer> m_player;
    Items m_items;
    // Where the showing stands; the prompt's hold is apart from it, as the prompt opens and closes in any phase.
    enum class Phase
    {
        NotStarted,
        // A video is set and has not played yet.
        Opening,
        Playing,
        // The video ended; the next one comes once the current event has been handled.
        Ending,
        // The video ended while the password prompt was open: the next one comes when it closes.
        Waiting,
        // The list is empty, or every video of it failed in a row: black, until input ends the showing.
        Idle,
        Stopped,
    };
    // What is left to do once the opening video plays.
    enum class OnPlaying
    {
        Nothing,
        StartAtRandomPlace,
        CheckPlayLength,
    };
    Phase m_phase = Phase::NotStarted;
    OnPlaying m_onPlaying = OnPlaying::Nothing;
    bool m_held = false;
    qint32 m_orderCounter = 0;
    qint32 m_screen = 0;
    std::function<QSet<QString>()> m_taken;
    QString m_currentPath;
    // Counts starts and stops, so that a next video scheduled before either is dropped.
    quint64 m_generation = 0;
    // The video of the current cycle.
    qint32 m_item = 0;
    // Whether the play-length check runs, as last told.
    bool m_playLengthCheck = false;
    // The items that failed since the last video that played.
    QSet<qint32> m_failed;
    // The next video, chosen while the current one plays. It is taken when its time comes unless the list or the
    // order changed meanwhile.
    struct Preselection
    {
        qint32 item;
        qint32 orderCounter;
        bool random;
        QStringList items;
    };
    std::optional<Preselection> m_next;
};
