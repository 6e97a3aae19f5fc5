// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>

#include <cmath>

/** Window geometry is designed in twips: 1440 to the inch, 15 to a device-independent pixel. */
namespace Twips {

inline constexpr int perPixel = 15;

[[nodiscard]] inline int toPixels(int twips)
{
    return static_cast<int>(std::lround(twips / double(perPixel)));
}

[[nodiscard]] inline QRect toPixels(int left, int top, int width, int height)
{
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

/** A pointer coordinate in pixels as twips, to the nearest whole twip. */
[[nodiscard]] inline qint32 fromPixels(double pixels)
{
    return static_cast<qint32>(std::lround(pixels * perPixel));
}

} // namespace Twips
