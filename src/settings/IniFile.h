// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

/**
 * The settings file as text, written without QSettings so that the text can be made on any thread and a failed write
 * tells its reason. QSettings (IniFormat) reads the text back as exactly the given text values, and for text values
 * it is the text QSettings writes itself.
 */
namespace IniFile {

/** What a file held when it was last read or written. */
struct Contents
{
    bool exists = false;
    QByteArray bytes;
    QMap<QString, QString> values;
};

/**
 * Reads the file into `contents`, as QSettings (IniFormat) reads it, without ever waiting: only a regular file, or a
 * link to one, is opened. A missing file reads as one without keys. Where the bytes are those `contents` already
 * holds, its values are kept without reading them again. Returns why the file could not be read, such as "Is a
 * directory"; `contents` is then left as it was.
 */
[[nodiscard]] QString read(const QString& fileName, Contents& contents);

/** Keys holding "/" go to the section named by what comes before the first "/", as in QSettings. */
[[nodiscard]] QByteArray text(const QMap<QString, QString>& values);

/**
 * Replaces the file with the data in one step (a temporary file in the same folder, written, synced and renamed over
 * it), readable by its owner only; makes the folder where it is missing. The file stays as it was when this fails.
 * Returns why it failed, such as "Permission denied"; empty once the data is in place.
 */
[[nodiscard]] QString replace(const QString& fileName, const QByteArray& data);

} // namespace IniFile
