// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ProgramFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace ProgramFiles {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

bool FileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).lastModified().isValid();
}

} // namespace ProgramFiles
