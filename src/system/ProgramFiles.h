// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace ProgramFiles {

/** The folder of the running program, which may hold the optional skin, pointer and drag files. */
[[nodiscard]] QString programFolder();

/**
 * The folder of the example videos: "Samples" in the program folder, or where an installed program keeps it,
 * share/lumaveil/Samples beside the program's bin folder.
 */
[[nodiscard]] QString samplesFolder(const QString& programFolder);

/** True when the file's date and time can be read; never fails. */
[[nodiscard]] bool FileExists(const QString& path);

} // namespace ProgramFiles
