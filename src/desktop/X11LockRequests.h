// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <memory>

/**
 * Hears another program ask xscreensaver to lock the screen (`xscreensaver-command -lock`, and `xdg-screensaver lock`
 * where xscreensaver runs). xscreensaver answers such a request at once and then tries to take the keyboard and the
 * pointer: while a showing holds them, it tries for some seconds and gives up, and the session stays unlocked. The
 * request is seen through the X server's RECORD extension, which shows the client messages that programs send;
 * nothing else tells it in time.
 *
 * Only while watching, and only on an X display that has the extension; elsewhere nothing is ever heard.
 */
class X11LockRequests : public QObject
{
    Q_OBJECT

public:
    explicit X11LockRequests(QObject* parent = nullptr);
    ~X11LockRequests() override;

    /** Listens from now on, or no longer. */
    void setWatching(bool watching);
    [[nodiscard]] bool isWatching() const
    {
        return m_recording != nullptr;
    }

signals:
    /** A program asked xscreensaver to lock: whoever holds the keyboard and the pointer must let go now. */
    void lockRequested();

private:
    struct Recording;
    static std::unique_ptr<Recording> record(X11LockRequests* watcher);
    void readRecorded();

    std::unique_ptr<Recording> m_recording;
};
