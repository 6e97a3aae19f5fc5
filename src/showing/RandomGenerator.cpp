// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/RandomGenerator.h"

#include <QTime>

#include <bit>
#include <cstdint>

void RandomGenerator::seed(float secondsSinceMidnight)
{
    // The bits of the float keep its fraction, so two starts within the same second differ too.
    m_engine.seed(std::bit_cast<std::uint32_t>(secondsSinceMidnight));
}

void RandomGenerator::seedFromClock()
{
    seed(static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f);
}

double RandomGenerator::next()
{
    // 53 random bits scaled exactly into [0, 1): never 1, unlike some library distributions.
    return static_cast<double>(m_engine() >> 11) * 0x1.0p-53;
}
