// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FailingStorage.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray native(const QString& path)
{
    return QFile::encodeName(path);
}

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

const QString rootCannotMount =
    QStringLiteral("running as root, which permission bits do not stop, where no tmpfs may be mounted");

} // namespace

FailingStorage::FailingStorage(QString folder, int kilobytes)
    : m_folder(std::move(folder))
{
    QDir().mkpath(m_folder);
    if (::geteuid() == 0) {
        const QByteArray options = "size=" + QByteArray::number(kilobytes) + "k,mode=0700";
        m_mounted = ::mount("tmpfs", native(m_folder).constData(), "tmpfs", 0, options.constData()) == 0;
    }
}

FailingStorage::~FailingStorage()
{
    repair();
    if (m_mounted) {
        ::umount2(native(m_folder).constData(), MNT_DETACH);
    }
}

QString FailingStorage::makeFileReadOnly(const QString& file)
{
    repair();
    const QByteArray path = native(file);
    if (m_mounted) {
        if (::mount(path.constData(), path.constData(), nullptr, MS_BIND, nullptr) != 0) {
            m_why = QStringLiteral("could not bind the file onto itself: ") + reason(errno);
            return {};
        }
        m_failure = Failure::BoundFile;
        m_file = file;
        if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
            m_why = QStringLiteral("could not make the bound file read-only: ") + reason(errno);
            return {};
        }
        return reason(EROFS);
    }
    if (::geteuid() == 0) {
        m_why = rootCannotMount;
        return {};
    }
    ::chmod(path.constData(), 0400);
    m_failure = Failure::ChangedFile;
    m_file = file;
    return reason(EACCES);
}

QString FailingStorage::makeFolderReadOnly()
{
    repair();
    const QByteArray path = native(m_folder);
    if (m_mounted) {
        if (::mount(nullptr, path.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            m_why = QStringLiteral("could not remount the tmpfs read-only: ") + reason(errno);
            return {};
        }
        m_failure = Failure::ReadOnlyMount;
        return reason(EROFS);
    }
    if (::geteuid() == 0) {
        m_why = rootCannotMount;
        return {};
    }
    ::chmod(path.constData(), 0500);
    m_failure = Failure::ChangedFolder;
    return reason(EACCES);
}

QString FailingStorage::fillUp()
{
    repair();
    if (m_mounted) {
        const int filler = ::open(
            native(m_folder + QStringLiteral("/filler")).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (filler < 0) {
            m_why = QStringLiteral("could not make the filler: ") + reason(errno);
            return {};
        }
        m_failure = Failure::Filler;
        const QByteArray block(4096, 'f');
        ssize_t written = 0;
        do {
            written = ::write(filler, block.constData(), static_cast<std::size_t>(block.size()));
        } while (written > 0);
        // A last partial page may still take a few bytes.
        while (::write(filler, "f", 1) == 1) {
        }
        ::close(filler);
        return reason(ENOSPC);
    }
    // No space to run out of: a file size limit stops a write the same way, with a reason of its own.
    ::getrlimit(RLIMIT_FSIZE, &m_oldLimit);
    rlimit limit = m_oldLimit;
    limit.rlim_cur = 0;
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    m_failure = Failure::SizeLimit;
    return reason(EFBIG);
}

void FailingStorage::repair()
{
    switch (std::exchange(m_failure, Failure::None)) {
    case Failure::None:
        break;
    case Failure::BoundFile:
        ::umount2(native(m_file).constData(), MNT_DETACH);
        break;
    case Failure::ChangedFile:
        ::chmod(native(m_file).constData(), 0600);
        break;
    case Failure::ReadOnlyMount:
        ::mount(nullptr, native(m_folder).constData(), nullptr, MS_REMOUNT, nullptr);
        break;
    case Failure::ChangedFolder:
        ::chmod(native(m_folder).constData(), 0700);
        break;
    case Failure::Filler:
        QFile::remove(m_folder + QStringLiteral("/filler"));
        break;
    case Failure::SizeLimit:
        ::setrlimit(RLIMIT_FSIZE, &m_oldLimit);
        std::signal(SIGXFSZ, m_oldHandler);
        break;
    }
}
