// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/**
 * The application title that message boxes without a caption of their own show: the product title without its last
 * word, shortened word by word to at most 40 characters. A title of one word stays whole.
 */
[[nodiscard]] inline QString shortTitle(QString title)
{
    do {
        const qsizetype blank = title.lastIndexOf(QLatin1Char(' '));
        if (blank < 0) {
            break;
        }
        title.truncate(blank);
    } while (title.size() > 40);
    return title;
}
