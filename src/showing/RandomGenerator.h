// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <random>

/**
 * The program's one source of random numbers, uniform from 0 up to but not including 1. Start-up seeds it once from
 * the time of day; playback draws from it.
 */
class RandomGenerator
{
public:
    void seed(float secondsSinceMidnight);
    /** Seeds from the current time of day. */
    void seedFromClock();
    [[nodiscard]] double next();

private:
    std::mt19937_64 m_engine;
};
