// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/VideoLibrary.h"

#include "platform/GuardedRoutine.h"
#include "platform/RoutinePaths.h"

namespace {

const QString videoFilesHeader = QStringLiteral(" Video File(s)");

} // namespace

VideoLibrary::VideoLibrary(ErrorReporter& reporter, QObject* parent)
    : QObject(parent)
    , m_reporter(reporter)
    , m_files({videoFilesHeader})
    , m_folders({QStringLiteral("Video Folder(s)"), QString()})
    , m_playable({videoFilesHeader})
{}

void VideoLibrary::CorrelateListviewsWrapper()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Main_CorrelateListviewsWrapper);
    routine.step(100, [&] { emit busyChanged(true); });
    routine.step(102, [&] { m_playable.setPaths(m_files.paths()); });
    routine.step(150, [&] { emit busyChanged(false); });
}
