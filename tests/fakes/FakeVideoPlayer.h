// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/video/VideoPlayer.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QStringList>

/**
 * A player that records what it is told. With autoStart, a file set plays (or fails, when listed as unplayable)
 * once the event loop runs; otherwise the test moves it on with play(), finish() and failCurrent().
 */
class FakeVideoPlayer : public VideoPlayer
{
    Q_OBJECT

public:
    using VideoPlayer::VideoPlayer;
    ~FakeVideoPlayer() override;

    QWidget* videoWidget() override;
    void setURL(const QString& path) override;
    void queueNext(const QString& path) override;
    QString URL() const override;
    int playState() const override;
    double duration() const override;
    double currentPosition() const override;
    void setCurrentPosition(double seconds) override;
    void stop() override;
    void close() override;
    void setVolume(int volume) override;
    void setMute(bool mute) override;
    void setStretchToFit(bool stretch) override;
    void setUiMode(const QString& mode) override;

    /** The file set last starts playing, with its duration from durations (60 s when not listed). */
    void play();
    /** The file set last comes to its end. */
    void finish();
    /** The file set last turns out unplayable. */
    void failCurrent();
    /** The play position moves on. */
    void advanceTo(double seconds);

    bool autoStart = false;
    QSet<QString> unplayable;
    QHash<QString, double> durations;

    QStringList urls;
    QStringList queued;
    QList<double> seeks;
    QList<int> volumes;
    QList<bool> mutes;
    QList<bool> stretches;
    QStringList uiModes;
    int stops = 0;
    int closes = 0;

private:
    void setState(int state);

    QWidget* m_widget = nullptr;
    QString m_url;
    int m_state = Ready;
    double m_duration = 0;
    double m_position = 0;
};
