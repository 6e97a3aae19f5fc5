// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunningCopy.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A request: this line, one line per command, and an empty line. The answer: "ok" and a line break.
const QByteArray greeting = QByteArrayLiteral("lumaveil");
const QByteArray answer = QByteArrayLiteral("ok\n");
// A running copy answers within this time, or counts as hung; a request must arrive within it too.
constexpr int answerTimeoutMs = 5000;
// Commands are short words; more than this is no request of ours.
constexpr qsizetype largestRequest = 4096;

// A folder of the user's own, which no one else can put a socket in.
bool isPrivateFolder(const QByteArray& path)
{
    struct stat status = {};
    return ::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::getuid() &&
           (status.st_mode & 077) == 0;
}

QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(QFile::encodeName(runtime))) {
        return runtime;
    }
    const QString fallback = QStringLiteral("/tmp/lumaveil-%1").arg(::getuid());
    const QByteArray encoded = QFile::encodeName(fallback);
    ::mkdir(encoded.constData(), 0700);
    return isPrivateFolder(encoded) ? fallback : QString();
}

bool writeAll(int fd, const QByteArray& data)
{
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t written =
            ::send(fd, data.constData() + done, static_cast<size_t>(data.size() - done), MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// Reads until the answer is complete, the peer closes or the time is up.
QByteArray readAnswer(int fd)
{
    QByteArray received;
    pollfd waiting{fd, POLLIN, 0};
    while (!received.endsWith('\n') && received.size() < 64) {
        const int ready = ::poll(&waiting, 1, answerTimeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            break;
        }
        char buffer[64];
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0) {
            break;
        }
        received.append(buffer, count);
    }
    return received;
}

} // namespace

QString RunningCopy::socketPath()
{
    const QString folder = runtimeFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/lumaveil.socket");
}

RunningCopy::RunningCopy(QString socketPath, QObject* parent)
    : QObject(parent)
    , m_socketPath(std::move(socketPath))
{}

RunningCopy::~RunningCopy()
{
    if (m_server) {
        m_server->close();
    }
    unlock();
}

RunningCopy::Outcome RunningCopy::handOver(const QStringList& commands, QString* error)
{
    // Without a private folder for the socket, every start runs on its own.
    if (m_socketPath.isEmpty()) {
        return Outcome::NoneRunning;
    }
    const QByteArray path = QFile::encodeName(m_socketPath);
    m_lock = ::open((path + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lock >= 0) {
        while (::flock(m_lock, LOCK_EX) != 0 && errno == EINTR) {
        }
    }

    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) {
        return Outcome::NoneRunning;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return Outcome::NoneRunning;
    }
    // No socket, or one that nobody listens on any more: this start is the running copy.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return Outcome::NoneRunning;
    }
    QByteArray request = greeting + '\n';
    for (const QString& command : commands) {
        request += command.toUtf8() + '\n';
    }
    request += '\n';
    const bool delivered = writeAll(fd, request) && readAnswer(fd) == answer;
    ::close(fd);
    unlock();
    if (!delivered && error) {
        *error = tr("Lumaveil runs already but does not answer at %1.").arg(m_socketPath);
    }
    return delivered ? Outcome::Delivered : Outcome::Failed;
}

bool RunningCopy::listen(QString* error)
{
    if (m_socketPath.isEmpty()) {
        return false;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // What is left there belongs to a copy that ended without closing it: handOver() found nobody listening.
    QLocalServer::removeServer(m_socketPath);
    const bool listening = m_server->listen(m_socketPath);
    if (!listening && error) {
        *error = m_server->errorString();
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* connection = m_server->nextPendingConnection()) {
            connect(connection, &QLocalSocket::readyRead, this, [this, connection] { readConnection(connection); });
            connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
            // A start that connects and says nothing is dropped.
            QTimer::singleShot(answerTimeoutMs, connection, [connection] { connection->abort(); });
        }
    });
    unlock();
    return listening;
}

void RunningCopy::readConnection(QLocalSocket* connection)
{
    const QByteArray received = connection->peek(largestRequest + 1);
    if (received.size() > largestRequest) {
        connection->abort();
        return;
    }
    if (!received.endsWith("\n\n")) {
        return;
    }
    connection->readAll();
    QList<QByteArray> lines = received.split('\n');
    lines.removeLast();
    lines.removeLast();
    if (lines.isEmpty() || lines.takeFirst() != greeting) {
        connection->abort();
        return;
    }
    QStringList commands;
    for (const QByteArray& line : lines) {
        commands.append(QString::fromUtf8(line));
    }
    connection->write(answer);
    connection->flush();
    connection->disconnectFromServer();
    emit commandsReceived(commands);
}

void RunningCopy::unlock()
{
    if (m_lock >= 0) {
        ::close(m_lock);
        m_lock = -1;
    }
}
