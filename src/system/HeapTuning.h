// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

/**
 * Caps the C library's heap arenas. Every video brings mpv's decoder threads afresh, and with glibc's default of
 * eight arenas per core what they free stays scattered over many arenas: a long showing kept growing by megabytes
 * a minute. Four arenas keep it level. A MALLOC_ARENA_MAX set by the user wins.
 */
inline void limitHeapArenas()
{
#if defined(__GLIBC__)
    if (!qEnvironmentVariableIsSet("MALLOC_ARENA_MAX")) {
        mallopt(M_ARENA_MAX, 4);
    }
#endif
}

/** Gives the heap memory freed by a showing back to the system, so that a program waiting in the tray stays small. */
inline void returnFreedHeap()
{
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}
