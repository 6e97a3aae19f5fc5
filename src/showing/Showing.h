// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

struct ShowingRequest;

/**
 * A showing as the main window sees it, wherever it plays: started with what to play, and followed to its end.
 * Exactly one of ended() and died() comes for each showing that was not ended without asking; finished() comes last,
 * after which the object may be deleted.
 */
class Showing : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    /** Plays the request; a showing that runs starts afresh with it. False when it cannot start at all. */
    virtual bool play(const ShowingRequest& request) = 0;
    /** Ends it at once, without the password: the desktop locks, or the machine sleeps. Only finished() follows. */
    virtual void endWithoutAsking() = 0;

signals:
    /** The password prompt opened (true) or closed (false). */
    void promptShown(bool shown);
    /** Input that this process did not see: a key, click or wheel turn in a showing that runs elsewhere. */
    void inputSeen();
    /** Input ended the showing, after the password where one is asked. */
    void ended();
    /** The showing went away on its own: its process crashed or was killed. */
    void died();
    /** The showing's windows are gone, however it ended. */
    void finished();
};
