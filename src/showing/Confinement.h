// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * Takes from the process of a showing what a video decoder never needs, so that a file made to take over the decoder
 * gains little: no new privileges (set-user-id programs run as the user), no programs started, no network
 * connections, no files made. Sockets of the machine's own (the X server, the sound server, the program that
 * started it) stay open to it, and so do files that exist already, the graphics devices among them.
 *
 * For good: nothing gives it back. Only for a process that runs a showing and nothing else.
 */
namespace Confinement {

struct Outcome
{
    bool noNewPrivileges = false;
    /** The system call filter is in place. */
    bool filtered = false;
    /** Why not, where something failed; empty when all is in place. */
    QString failure;
};

/** Confines this process. Where the X display is reached through the network, network sockets stay allowed. */
Outcome confine();

} // namespace Confinement
