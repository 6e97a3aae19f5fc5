// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QStringList>

#include <algorithm>
#include <cmath>

/** What a picture of the screen shows, sampled on a grid, and how its colours stand out from each other. */
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

/** Relative luminance, as the web's accessibility guidelines define it. */
inline double luminance(QRgb colour)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(colour)) + 0.7152 * channel(qGreen(colour)) + 0.0722 * channel(qBlue(colour));
}

/** The contrast ratio of two colours: 1 for equal ones, 21 for black on white; ordinary text wants 4.5. */
inline double contrast(QRgb a, QRgb b)
{
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

/** The colour that most of the area shows: what a caption there stands on. */
inline QRgb mostCommon(const QImage& picture, const QRect& area)
{
    QHash<QRgb, int> counts;
    const QRect inside = area & picture.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            ++counts[picture.pixel(x, y)];
        }
    }
    return counts.isEmpty() ? 0 : std::max_element(counts.cbegin(), counts.cend()).key();
}

/** Of the area's pixels, the one that stands out most from the colour: the ink of a caption on that colour. */
inline QRgb standsOutMost(const QImage& picture, const QRect& area, QRgb from)
{
    QRgb best = from;
    const QRect inside = area & picture.rect();
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (contrast(picture.pixel(x, y), from) > contrast(best, from)) {
                best = picture.pixel(x, y);
            }
        }
    }
    return best;
}

/**
 * What keeps the state of option buttons or check boxes from being seen, from pictures of one unticked and one ticked
 * (the same button, or two of the same size); empty when nothing does. The indicator stands at the left of its button,
 * in the middle of the height, the caption after it. The unticked indicator must show on the face at least as well as
 * the light desktop shows its own (a ring of about 1.7:1), and look empty: its middle nearer the face than the
 * caption, unlike a dark spot on a light face, which reads as chosen. The tick must stand out from what is there
 * without it, in a colour nearer the caption than the face.
 */
inline QStringList
indicatorFaults(const QImage& untickedPicture, QRect untickedButton, const QImage& tickedPicture, QRect tickedButton)
{
    const auto indicator = [](const QImage& picture, QRect button) {
        return picture.copy(button.left(), button.center().y() - 8, 17, 17);
    };
    const QImage unticked = indicator(untickedPicture, untickedButton);
    const QImage ticked = indicator(tickedPicture, tickedButton);
    const QRect captionArea = untickedButton.adjusted(20, 0, 0, 0);
    const QRgb face = mostCommon(untickedPicture, captionArea);
    const QRgb caption = standsOutMost(untickedPicture, captionArea, face);
    QStringList faults;
    const double ring = contrast(standsOutMost(unticked, unticked.rect(), face), face);
    if (ring < 1.5) {
        faults.append(QStringLiteral("unticked shows at %1:1 on the face").arg(ring, 0, 'f', 2));
    }
    const QRgb middle = unticked.pixel(unticked.rect().center());
    if (contrast(middle, face) > contrast(middle, caption)) {
        faults.append(
            QStringLiteral("unticked is filled with %1, nearer the caption than the face").arg(QColor(middle).name()));
    }
    QPoint mark;
    double markContrast = 1;
    for (int y = 0; y < unticked.height(); ++y) {
        for (int x = 0; x < unticked.width(); ++x) {
            if (const double c = contrast(ticked.pixel(x, y), unticked.pixel(x, y)); c > markContrast) {
                markContrast = c;
                mark = QPoint(x, y);
            }
        }
    }
    if (markContrast < 3) {
        faults.append(QStringLiteral("the tick shows at %1:1").arg(markContrast, 0, 'f', 2));
    } else if (contrast(ticked.pixel(mark), face) < contrast(ticked.pixel(mark), caption)) {
        faults.append(
            QStringLiteral("the tick is %1, nearer the face than the caption").arg(QColor(ticked.pixel(mark)).name()));
    }
    return faults;
}

} // namespace Pictures
