// SPDX-License-Identifier: GPL-3.0-or-later
#include "wayland/DecoyXDisplay.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Far above the numbers that X servers on this machine take first.
constexpr int firstNumber = 90;
constexpr int lastNumber = 199;

} // namespace

DecoyXDisplay::DecoyXDisplay()
{
    const QString socketFolder = QStringLiteral("/tmp/.X11-unix");
    if (QDir().mkpath(socketFolder)) {
        // Shared by every user, as the X servers leave it.
        static_cast<void>(::chmod(QFile::encodeName(socketFolder).constData(), 01777));
    }
    for (int number = firstNumber; number <= lastNumber; ++number) {
        const QString lockFile = QStringLiteral("/tmp/.X%1-lock").arg(number);
        const int lock = ::open(QFile::encodeName(lockFile).constData(), O_WRONLY | O_CREAT | O_EXCL, 0444);
        if (lock < 0) {
            continue;
        }
        // The lock holds the owner's process number, right-aligned in ten places, as X servers write it.
        const QByteArray owner = QByteArray::number(QCoreApplication::applicationPid()).rightJustified(10) + '\n';
        const bool written = ::write(lock, owner.constData(), owner.size()) == owner.size();
        ::close(lock);
        const QString socket = QStringLiteral("%1/X%2").arg(socketFolder).arg(number);
        if (written && !QFile::exists(socket) && m_server.listen(socket)) {
            m_number = number;
            m_lockFile = lockFile;
            break;
        }
        QFile::remove(lockFile);
    }
    QObject::connect(&m_server, &QLocalServer::newConnection, &m_server, [this] {
        while (QLocalSocket* client = m_server.nextPendingConnection()) {
            ++m_connections;
            client->abort();
            client->deleteLater();
        }
    });
}

DecoyXDisplay::~DecoyXDisplay()
{
    m_server.close();
    if (!m_lockFile.isEmpty()) {
        QFile::remove(m_lockFile);
    }
}
