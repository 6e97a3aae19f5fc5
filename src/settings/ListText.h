// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

/**
 * The stored form of the file list and the folder list: the items joined with ";". A ";" within an item is stored
 * as U+0000, which no path on Linux can hold, so that a list without such names keeps the form it always had.
 */
namespace ListText {

[[nodiscard]] QString join(const QStringList& items);
/** Items of the file list: every element that is not empty, untrimmed. */
[[nodiscard]] QStringList splitFileList(const QString& text);
/** Items of the folder list: every element that holds more than spaces, untrimmed. */
[[nodiscard]] QStringList splitFolderList(const QString& text);

} // namespace ListText
