// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

/** What a picture of the screen shows, sampled on a grid. */
namespace Pictures {

/** The share of pixels, sampled every step pixels along both axes, for which the test holds. */
template <typename Test> double share(const QImage& picture, Test test, int step = 16)
{
    int hits = 0;
    int samples = 0;
    for (int y = 0; y < picture.height(); y += step) {
        for (int x = 0; x < picture.width(); x += step) {
            ++samples;
            hits += test(picture.pixel(x, y)) ? 1 : 0;
        }
    }
    return samples > 0 ? double(hits) / samples : 0;
}

/** The share that is not black: a picture of a video, or of windows, rather than of nothing. */
inline double litShare(const QImage& picture)
{
    return share(picture, [](QRgb pixel) { return qGray(pixel) > 24; });
}

/** The share that is near white. */
inline double lightShare(const QImage& picture)
{
    return share(
        picture, [](QRgb pixel) { return qGray(pixel) > 200; }, 8);
}

} // namespace Pictures
