// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>

/** Short clips made with ffmpeg for the tests, and files that are no videos. */
namespace TestClips {

/**
 * A clip of the given length: a moving colourful test picture, with a tone when withSound is set. The name's
 * extension chooses the container. Returns false when ffmpeg failed.
 */
[[nodiscard]] bool make(const QString& path, double seconds, bool withSound = false);

/**
 * A clip of one colour all through (an ffmpeg colour name), at the given frame size and rate, in Motion JPEG: quick
 * to make at any size, while a very large frame is slow to decode.
 */
[[nodiscard]] bool makeSolid(const QString& path, const QString& colour, QSize size, double seconds, int rate = 25);

/** A file of random bytes named like a video. */
[[nodiscard]] bool makeCorrupt(const QString& path);

/** An empty file. */
[[nodiscard]] bool makeEmpty(const QString& path);

} // namespace TestClips
