// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/PathListModel.h"

#include <QObject>

class ErrorReporter;

/**
 * The three library lists: the files and the folders the user collected, and the playable list derived from them.
 */
class VideoLibrary : public QObject
{
    Q_OBJECT

public:
    explicit VideoLibrary(ErrorReporter& reporter, QObject* parent = nullptr);

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

    /** Rebuilds the playable list from the file list and the folder list. */
    void CorrelateListviewsWrapper();

signals:
    /** A rebuild started (true) or ended (false). */
    void busyChanged(bool busy);

private:
    ErrorReporter& m_reporter;
    PathListModel m_files;
    PathListModel m_folders;
    PathListModel m_playable;
};
