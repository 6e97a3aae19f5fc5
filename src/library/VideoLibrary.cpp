// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/VideoLibrary.h"

#include "platform/GuardedRoutine.h"
#include "platform/RoutinePaths.h"

#include <exception>

namespace {

const QString videoFilesHeader = QStringLiteral(" Video File(s)");

} // namespace

VideoLibrary::VideoLibrary(ErrorReporter& reporter, QObject* parent)
    : QObject(parent)
    , m_reporter(reporter)
    , m_files({videoFilesHeader})
    , m_folders({QStringLiteral("Video Folder(s)"), QString()})
    , m_playable({videoFilesHeader})
    , m_stopAll(std::make_shared<FolderScanner::StopFlag>(false))
{
    m_workers.setMaxThreadCount(2);
}

VideoLibrary::~VideoLibrary()
{
    // Walks still running end at their next folder; their results are dropped with this object.
    m_stopAll->store(true);
    if (m_stopRebuild) {
        m_stopRebuild->store(true);
    }
    m_workers.waitForDone();
}

void VideoLibrary::CorrelateListviewsWrapper()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Main_CorrelateListviewsWrapper);
    if (m_stopRebuild) {
        m_stopRebuild->store(true);
    }
    auto stop = std::make_shared<FolderScanner::StopFlag>(false);
    m_stopRebuild = stop;
    const QStringList files = m_files.paths();
    const QStringList folders = m_folders.paths();
    routine.step(116, [&] {
        walkInBackground(
            [files, folders, stop](const FolderScanner::StopFlag*) {
                return FolderScanner::playableList(files, folders, stop.get());
            },
            [this, stop](const QStringList& playable) {
                if (!stop->load()) {
                    m_playable.setPaths(playable);
                }
            });
    });
}

void VideoLibrary::walkInBackground(std::function<QStringList(const FolderScanner::StopFlag*)> walk,
                                    std::function<void(const QStringList&)> done)
{
    startJob();
    m_workers.start([this, walk = std::move(walk), done = std::move(done), stopAll = m_stopAll]() mutable {
        QStringList result;
        QString failure;
        try {
            result = walk(stopAll.get());
        } catch (const std::exception& error) {
            failure = QString::fromUtf8(error.what());
        }
        if (stopAll->load()) {
            return;
        }
        // Queued to this object's thread; the destructor waits for the workers, so this object is still alive.
        QMetaObject::invokeMethod(
            this,
            [this, result = std::move(result), failure, done = std::move(done)] {
                if (!failure.isEmpty()) {
                    m_reporter.report(failure, RoutinePath::AddFolder_GetSubDirectories2016, 106);
                }
                done(result);
                endJob();
            },
            Qt::QueuedConnection);
    });
}

void VideoLibrary::startJob()
{
    if (m_busyJobs++ == 0) {
        emit busyChanged(true);
    }
}

void VideoLibrary::endJob()
{
    if (--m_busyJobs == 0) {
        emit busyChanged(false);
    }
}
