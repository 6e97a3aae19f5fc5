// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ListText.h"

#include <algorithm>

namespace {

constexpr QChar separator = u';';
constexpr QChar storedSeparator = QChar::Null;

QStringList elementsOf(const QString& text, Qt::SplitBehavior behavior)
{
    QStringList elements = text.split(separator, behavior);
    for (QString& element : elements) {
        if (element.contains(storedSeparator)) {
            element.replace(storedSeparator, separator);
        }
    }
    return elements;
}

} // namespace

namespace ListText {

QString join(const QStringList& items)
{
    const bool plain =
        std::none_of(items.cbegin(), items.cend(), [](const QString& item) { return item.contains(separator); });
    if (plain) {
        return items.join(separator);
    }
    QStringList stored = items;
    for (QString& item : stored) {
        if (item.contains(separator)) {
            item.replace(separator, storedSeparator);
        }
    }
    return stored.join(separator);
}

QStringList splitFileList(const QString& text)
{
    return elementsOf(text, Qt::SkipEmptyParts);
}

QStringList splitFolderList(const QString& text)
{
    QStringList items = elementsOf(text, Qt::KeepEmptyParts);
    items.removeIf(
        [](const QString& item) { return std::all_of(item.cbegin(), item.cend(), [](QChar c) { return c == u' '; }); });
    return items;
}

} // namespace ListText
