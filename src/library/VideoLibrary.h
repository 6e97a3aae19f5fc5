// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/FolderScanner.h"
#include "library/PathListModel.h"

#include <QObject>

#include <functional>
#include <memory>

class QThreadPool;

class ErrorReporter;

/**
 * The three library lists: the files and the folders the user collected, and the playable list derived from them.
 * Folder walks run on a worker thread so that the window stays responsive; the library is busy while one runs.
 */
class VideoLibrary : public QObject
{
    Q_OBJECT

public:
    explicit VideoLibrary(ErrorReporter& reporter, QObject* parent = nullptr);
    ~VideoLibrary() override;

    PathListModel& files()
    {
        return m_files;
    }
    PathListModel& folders()
    {
        return m_folders;
    }
    PathListModel& playable()
    {
        return m_playable;
    }

    /**
     * Rebuilds the playable list from the file list and the folder list as they stand now. The list changes when
     * the walk is done; a later rebuild supersedes one still running.
     */
    void CorrelateListviewsWrapper();

    /**
     * Runs a folder walk on a worker thread and hands its result to done on this object's thread. done must not
     * throw; a walk that throws is reported, and done gets what it found: nothing. A walk still running when this
     * object goes is told to stop, and is not waited for beyond a moment: one stuck in a system call on a dead mount
     * must not hold up the program's exit.
     */
    void walkInBackground(std::function<QStringList(const FolderScanner::StopFlag*)> walk,
                          std::function<void(const QStringList&)> done);

    [[nodiscard]] bool isBusy() const
    {
        return m_busyJobs > 0;
    }

signals:
    /** The library started (true) or ended (false) walking folders. */
    void busyChanged(bool busy);

private:
    void startJob();
    void endJob();

    ErrorReporter& m_reporter;
    PathListModel m_files;
    PathListModel m_folders;
    PathListModel m_playable;
    struct Recipient;

    std::shared_ptr<Recipient> m_recipient;
    QThreadPool* m_workers;
    std::shared_ptr<FolderScanner::StopFlag> m_stopAll;
    std::shared_ptr<FolderScanner::StopFlag> m_stopRebuild;
    int m_busyJobs = 0;
};
