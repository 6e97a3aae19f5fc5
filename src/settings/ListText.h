// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

/**
 * The stored form of the file list and the folder list: the items joined with ";", without escaping. An item that
 * holds a ";" therefore comes back as two items.
 */
namespace ListText {

[[nodiscard]] QString join(const QStringList& items);
/** Items of the file list: every element that is not empty, untrimmed. */
[[nodiscard]] QStringList splitFileList(const QString& text);
/** Items of the folder list: every element that holds more than spaces, untrimmed. */
[[nodiscard]] QStringList splitFolderList(const QString& text);

} // namespace ListText
