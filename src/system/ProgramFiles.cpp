// SPDX-License-Identifier: GPL-3.0-or-later
#include "system/ProgramFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ProgramFiles {

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString samplesFolder(const QString& programFolder)
{
    const QString beside = programFolder + QLatin1String("/Samples");
    if (QFileInfo(beside).isDir()) {
        return beside;
    }
    const QString installed = QDir::cleanPath(programFolder + QLatin1String("/../share/lumaveil/Samples"));
    return QFileInfo(installed).isDir() ? installed : beside;
}

bool FileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).lastModified().isValid();
}

} // namespace ProgramFiles
