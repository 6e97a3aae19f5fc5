// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <sys/resource.h>

/**
 * Makes writes into one folder fail the way a real system makes them fail: a read-only file, a read-only folder, a
 * full disk. As root (which permission bits do not stop) the folder is a small tmpfs of its own, made read-only by
 * remounting or by a read-only bind over the file, and filled up for a full disk. As another user, permission bits
 * make things read-only, and a file size limit stands in for the full disk.
 *
 * Each make... returns the reason a write then fails with, or an empty text where this system offers no way; why()
 * then says why, for QSKIP.
 */
class FailingStorage
{
public:
    explicit FailingStorage(QString folder, int kilobytes = 64);
    ~FailingStorage();

    FailingStorage(const FailingStorage&) = delete;
    FailingStorage& operator=(const FailingStorage&) = delete;

    [[nodiscard]] QString folder() const
    {
        return m_folder;
    }

    QString makeFileReadOnly(const QString& file);
    QString makeFolderReadOnly();
    QString fillUp();
    /** Undoes the failure made last: writes succeed again. */
    void repair();

    [[nodiscard]] QString why() const
    {
        return m_why;
    }

private:
    enum class Failure
    {
        None,
        BoundFile,
        ChangedFile,
        ReadOnlyMount,
        ChangedFolder,
        Filler,
        SizeLimit,
    };

    QString m_folder;
    QString m_file;
    QString m_why;
    bool m_mounted = false;
    Failure m_failure = Failure::None;
    rlimit m_oldLimit{};
    void (*m_oldHandler)(int) = nullptr;
};
