// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

/**
 * The life of a file in one of the player's two mpv instances (its decks): what the deck waits for, and the events
 * that move it on.
 */
namespace DeckLife {
Q_NAMESPACE

enum class State
{
    Idle,    // no file: none asked for yet, or stopped and let go
    Loading, // a file asked for: mpv is to start it, and what it reports of the files before it is ignored
    Opening, // mpv started the file: its first picture is being decoded
    Ready,   // the first picture is ready and the length asked for; a file opened ahead waits here, paused
    Playing, // its start is reported
    Ended,   // at its end, or stopped: it stays open on its picture until the next file takes over
    Failed,  // it cannot be played
};
Q_ENUM_NS(State)

enum class Event
{
    LoadAsked,     // a file is to be opened (it may wait for the picture's window first)
    LoadRefused,   // mpv would not try the file
    FileStarted,   // mpv started the file asked for: the start of its playlist entry
    PictureReady,  // its first picture is decoded and handed over: mpv's playback restart
    StartReported, // the player told that it plays, its length known
    EndReached,    // mpv is at its end
    FileEnded,     // mpv closed it without an error
    FileFailed,    // mpv closed it with an error
    Stopped,       // the player stopped it: it holds its picture
    Released,      // stopped and let go: closed, replaced, or left behind when the other deck took over
};
Q_ENUM_NS(Event)

/** The state that the event leads to; the same state where the event means nothing in it. */
[[nodiscard]] State next(State state, Event event);

} // namespace DeckLife
