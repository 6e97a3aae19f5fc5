// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <atomic>

/**
 * The file-system side of the video library: the folder walk, the pattern lister and the small path tests.
 *
 * Folder paths in a work list end in "/". The walk is breadth first: a work list holding one folder comes back
 * holding the folder, then its usable subfolders, then theirs, level by level, each folder's children in name order
 * (see NameOrder: natural, case-insensitive, the same in every locale). A subfolder is left out with everything below
 * it when its name holds a control character (below 32, 127 to 159), a "?" or bytes that are no UTF-8, when it lies on
 * a kernel pseudo file system (proc, sysfs, devtmpfs, ...), or when it is a folder the walk has already met (through a
 * symbolic link or a bind mount), so that a link loop can neither hang nor multiply the walk.
 *
 * Every function reads each folder once and may run on any thread; none reports an error: a folder or file that
 * cannot be read is skipped.
 */
namespace FolderScanner {

/** Set from another thread to end a walk early; the walk then returns what it has so far. */
using StopFlag = std::atomic<bool>;

/** The path names an existing folder (after symbolic links). */
[[nodiscard]] bool IsFolderPath(const QString& path);
/** The path names an existing regular file (after symbolic links); folders, pipes and devices are no files. */
[[nodiscard]] bool FileIsPresent(const QString& path);
/** The folder name holds a character that the walk refuses. */
[[nodiscard]] bool HasUnusableCharacter(const QString& name);
/** Collapses every "//" to "/", scanning once from the left: "///" becomes "//". */
[[nodiscard]] QString NormalizePath(const QString& path);

/**
 * Appends the subfolders of every folder of the work list to it, level by level when recurse is set. A folder that
 * cannot be listed for lack of permission, or that vanished, is removed from the list (its first occurrence); a
 * starting folder on a pseudo file system stays but is not expanded.
 */
void GetSubDirectories2016(QStringList& workList, bool recurse, const StopFlag* stop = nullptr);

/** The names of the regular files of the folder that match the wildcard pattern, in name order. */
[[nodiscard]] QStringList ListFilesByPattern(const QString& folder, const QString& pattern);

/** A wildcard match as the file dialogs do it: "*" and "?" as usual, letter case ignored, "*.*" matches every name. */
[[nodiscard]] bool matchesPattern(const QString& name, const QString& pattern);

/**
 * The playable list: the file list as it stands, then for each folder entry that is a folder every video file of it
 * and of its subfolders, folder by folder in walk order, within a folder by the order of videoExtensions() and then
 * in name order. Names beginning with "~" and hidden files are left out.
 */
[[nodiscard]] QStringList playableList(const QStringList& files, const QStringList& folders, const StopFlag* stop);

/**
 * Every file below the folder, and in its subfolders, whose name matches the pattern, as normalised full paths in
 * walk order; names beginning with "~" and hidden files are left out.
 */
[[nodiscard]] QStringList filesBelow(const QString& folder, const QString& pattern, const StopFlag* stop);

/** The extensions of playable files, in the order the playable list takes them. */
[[nodiscard]] const QStringList& videoExtensions();

} // namespace FolderScanner
