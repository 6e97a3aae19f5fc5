// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/video/DeckLife.h"

namespace DeckLife {

// Idle → Loading → Opening → Ready → Playing → Ended, or Failed on the way; released, a deck is Idle again. An event
// that means nothing in a state leaves it as it is: so are the reports of a file left behind ignored.
State next(State state, Event event)
{
    using enum State;
    switch (event) {
    case Event::LoadAsked:
        return Loading;
    case Event::LoadRefused:
        return state == Loading ? Failed : state;
    case Event::FileStarted:
        return state == Loading ? Opening : state;
    case Event::PictureReady:
        return state == Opening ? Ready : state;
    case Event::StartReported:
        return state == Ready ? Playing : state;
    case Event::EndReached:
        // At its end before its first picture, it holds no video. An end before the start is reported waits: the
        // player asks for it once more then.
        if (state == Opening) {
            return Failed;
        }
        return state == Playing ? Ended : state;
    case Event::FileEnded:
        // Closed before it played, it was not played.
        if (state == Opening || state == Ready) {
            return Failed;
        }
        return state == Playing ? Ended : state;
    case Event::FileFailed:
        return state == Opening || state == Ready || state == Playing || state == Ended ? Failed : state;
    case Event::Stopped:
        return state == Playing ? Ended : state;
    case Event::Released:
        return Idle;
    }
    return state;
}

} // namespace DeckLife
