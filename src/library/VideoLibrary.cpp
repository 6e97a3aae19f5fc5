// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/VideoLibrary.h"

#include "system/GuardedRoutine.h"
#include "system/RoutinePaths.h"
#include "system/UnixSignals.h"

#include <QThreadPool>

#include <exception>
#include <mutex>

namespace {

const char* const videoFilesHeader = QT_TRANSLATE_NOOP("VideoLibrary", " Video File(s)");

// How long the destructor waits for walks to notice that they should stop.
constexpr int stopWaitMs = 250;

} // namespace

// Where a worker hands its result: the library while it lives. Workers may outlive it, so they reach it only
// through this, under the lock.
struct VideoLibrary::Recipient
{
    explicit Recipient(VideoLibrary* owner)
        : library(owner)
    {}

    std::mutex mutex;
    VideoLibrary* library;
};

VideoLibrary::VideoLibrary(ErrorReporter& reporter, QObject* parent)
    : QObject(parent)
    , m_reporter(reporter)
    , m_files({tr(videoFilesHeader)})
    , m_folders({tr("Video Folder(s)"), QString()})
    , m_playable({tr(videoFilesHeader)})
    , m_recipient(std::make_shared<Recipient>(this))
    , m_workers(new QThreadPool)
    , m_stopAll(std::make_shared<FolderScanner::StopFlag>(false))
{
    m_workers->setMaxThreadCount(2);
}

VideoLibrary::~VideoLibrary()
{
    // Walks still running end at their next folder; their results are dropped with this object.
    m_stopAll->store(true);
    if (m_stopRebuild) {
        m_stopRebuild->store(true);
    }
    {
        const std::lock_guard lock(m_recipient->mutex);
        m_recipient->library = nullptr;
    }
    // A walk that has not stopped by now hangs in the system; its pool is left to the end of the process.
    if (m_workers->waitForDone(stopWaitMs)) {
        delete m_workers;
    }
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
    m_workers->start(
        [recipient = m_recipient, walk = std::move(walk), done = std::move(done), stopAll = m_stopAll]() mutable {
            UnixSignals::keepFromThisThread();
            QStringList result;
            QString failure;
            try {
                result = walk(stopAll.get());
            } catch (const std::exception& error) {
                failure = QString::fromUtf8(error.what());
            }
            const std::lock_guard lock(recipient->mutex);
            VideoLibrary* library = recipient->library;
            if (!library || stopAll->load()) {
                return;
            }
            // Queued to the library's thread; a call still queued when the library goes is dropped with it.
            QMetaObject::invokeMethod(
                library,
                [library, result = std::move(result), failure, done = std::move(done)] {
                    if (!failure.isEmpty()) {
                        library->m_reporter.report(failure, RoutinePath::AddFolder_GetSubDirectories2016, 106);
                    }
                    done(result);
                    library->endJob();
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
