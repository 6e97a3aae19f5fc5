// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointF>
#include <QString>
#include <QWidget>

#include <memory>

/**
 * The video player of the playback window: it opens a file by path and starts it, reports its state, duration and
 * position, seeks, stops, mutes and sets the volume, and passes every key and mouse event on its picture to its
 * host. The playback keeps to these members; tests replace the player.
 */
class VideoPlayer : public QObject
{
    Q_OBJECT

public:
    /** The states the showing relies on: the player is playing, stopped, or has nothing to play. */
    enum PlayState
    {
        Stopped = 1,
        Playing = 3,
        Transitioning = 9,
        Ready = 10,
    };

    using QObject::QObject;

    /** The surface that shows the picture, or none for a player without video output. */
    virtual QWidget* videoWidget() = 0;

    /** Opens the file and starts playing it; the state goes through Transitioning to Playing, or to Stopped. */
    virtual void setURL(const QString& path) = 0;
    /** The file likely to be set next: the player may open it ahead, so that it starts at once when it is set. */
    virtual void queueNext(const QString& path)
    {
        Q_UNUSED(path);
    }
    [[nodiscard]] virtual QString URL() const = 0;
    [[nodiscard]] virtual int playState() const = 0;
    /** The open video's length in seconds; 0 while unknown. */
    [[nodiscard]] virtual double duration() const = 0;
    [[nodiscard]] virtual double currentPosition() const = 0;
    virtual void setCurrentPosition(double seconds) = 0;
    virtual void stop() = 0;
    /** Stops and releases the open file; the state becomes Ready. */
    virtual void close() = 0;
    /** 0 to 100. */
    virtual void setVolume(int volume) = 0;
    virtual void setMute(bool mute) = 0;
    /** True: the picture fills the player at the video's own aspect ratio; false: it keeps its pixel size. */
    virtual void setStretchToFit(bool stretch) = 0;
    /** "none" draws nothing over the picture; any other mode shows the player's own brief messages. */
    virtual void setUiMode(const QString& mode) = 0;
    /**
     * The seconds over which the next file fades in over the last one, both playing, and the first in from black; 0
     * cuts. With a fade, a file reports its end that much before it, for the next one to be set while it plays on.
     */
    virtual void setFade(double seconds)
    {
        Q_UNUSED(seconds);
    }
    /** A widget that shows this player's picture as well, for another screen; none where the player cannot. */
    [[nodiscard]] virtual std::unique_ptr<QWidget> makeMirror()
    {
        return {};
    }

signals:
    void playStateChanged(int state);
    void durationChanged(double seconds);
    /** The open file cannot be played: it is unreadable, corrupt, empty, vanished or no video. */
    void mediaError(const QString& message);
    /** The first picture of the file set last is on the screen. */
    void firstFrameShown();

    // Input on the picture.
    void keyPressed(int key);
    void keyReleased(int key);
    void mousePressed(int button);
    void mouseReleased(int button);
    void clicked(int button);
    void mouseMoved(QPointF position);
};
