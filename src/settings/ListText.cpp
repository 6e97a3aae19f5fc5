// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ListText.h"

#include <algorithm>

namespace ListText {

QString join(const QStringList& items)
{
    return items.join(QLatin1Char(';'));
}

QStringList splitFileList(const QString& text)
{
    return text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

QStringList splitFolderList(const QString& text)
{
    QStringList items;
    for (const QString& element : text.split(QLatin1Char(';'))) {
        const bool onlyBlanks = std::all_of(element.cbegin(), element.cend(), [](QChar c) { return c == u' '; });
        if (!onlyBlanks) {
            items.append(element);
        }
    }
    return items;
}

} // namespace ListText
