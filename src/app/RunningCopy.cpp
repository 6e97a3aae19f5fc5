// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunningCopy.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScopeGuard>
#include <QSysInfo>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A request: this line, one line per command, and an empty line. The answer: "ok" and a line break.
const QByteArray greeting = QByteArrayLiteral("lumaveil");
const QByteArray answer = QByteArrayLiteral("ok\n");
// A running copy answers within this time, or counts as hung; a request must arrive within it too.
constexpr int answerTimeoutMs = 5000;
// Another start holds the start-up lock only while it looks for a running copy and begins to listen: well under a
// second. Longer than this, and it is stuck, or no start of ours at all.
constexpr int lockWaitMs = 3000;
// A command is a short word, so a command line as long as the system allows stays below this; anything longer is
// refused as a whole.
constexpr qsizetype largestRequest = qsizetype(1) << 20;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why this folder cannot hold the socket; nothing where it is the user's own and closed to everyone else.
QString folderProblem(const QString& folder)
{
    struct stat status = {};
    if (::lstat(QFile::encodeName(folder).constData(), &status) != 0) {
        return RunningCopy::tr("%1: %2").arg(folder, systemError(errno));
    }
    if (S_ISLNK(status.st_mode)) {
        return RunningCopy::tr("%1 is a symbolic link").arg(folder);
    }
    if (!S_ISDIR(status.st_mode)) {
        return RunningCopy::tr("%1 is not a folder").arg(folder);
    }
    if (status.st_uid != ::getuid()) {
        return RunningCopy::tr("%1 belongs to another user (uid %2)").arg(folder).arg(status.st_uid);
    }
    if ((status.st_mode & 077) != 0) {
        return RunningCopy::tr("%1 is open to other users (mode %2)")
            .arg(folder, QString::number(status.st_mode & 07777, 8));
    }
    return {};
}

bool fitsSocketAddress(const QString& path)
{
    return static_cast<std::size_t>(QFile::encodeName(path).size()) < sizeof(sockaddr_un::sun_path);
}

// The process that holds the lock on this file, as /proc/locks names it.
QString lockHolder(int fd)
{
    struct stat status = {};
    QFile locks(QStringLiteral("/proc/locks"));
    if (::fstat(fd, &status) == 0 && locks.open(QIODevice::ReadOnly)) {
        const QByteArray file =
            QString::asprintf(
                "%02x:%02x:%lu", major(status.st_dev), minor(status.st_dev), static_cast<unsigned long>(status.st_ino))
                .toLatin1();
        for (const QByteArray& line : locks.readAll().split('\n')) {
            // "1: FLOCK ADVISORY WRITE <pid> <device>:<inode> 0 EOF"; a process waiting for it has "->" after the
            // number.
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() >= 6 && fields[1] == "FLOCK" && fields[5] == file) {
                QFile name(QStringLiteral("/proc/%1/comm").arg(QString::fromLatin1(fields[4])));
                const QString command =
                    name.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(name.readAll().trimmed()) : QString();
                return command.isEmpty()
                           ? RunningCopy::tr("process %1").arg(QString::fromLatin1(fields[4]))
                           : RunningCopy::tr("process %1 (%2)").arg(QString::fromLatin1(fields[4]), command);
            }
        }
    }
    return RunningCopy::tr("another process");
}

// Waits until the socket is ready for these events; false when the time is up first.
bool await(int fd, short events, const QDeadlineTimer& deadline)
{
    pollfd waiting{fd, events, 0};
    for (;;) {
        const int ready = ::poll(&waiting, 1, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0;
    }
}

enum class Exchange
{
    Answered,
    TimedOut,
    HungUp,
};

// Sends the whole request, however the receiver reads it, and reads the answer.
Exchange exchange(int fd, const QByteArray& request, const QDeadlineTimer& deadline)
{
    for (qsizetype done = 0; done < request.size();) {
        const ssize_t written =
            ::send(fd, request.constData() + done, static_cast<size_t>(request.size() - done), MSG_NOSIGNAL);
        if (written > 0) {
            done += written;
        } else if (written < 0 && errno == EAGAIN) {
            if (!await(fd, POLLOUT, deadline)) {
                return Exchange::TimedOut;
            }
        } else if (written == 0 || errno != EINTR) {
            return Exchange::HungUp;
        }
    }
    QByteArray received;
    while (!received.endsWith('\n') && received.size() < 64) {
        if (!await(fd, POLLIN, deadline)) {
            return Exchange::TimedOut;
        }
        char buffer[64];
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        received.append(buffer, count);
    }
    return received == answer ? Exchange::Answered : Exchange::HungUp;
}

} // namespace

QString RunningCopy::socketPath(QString* problem)
{
    const QString name = QStringLiteral("lumaveil.socket");
    QStringList problems;
    const auto usable = [&problems](const QString& folder, const QString& socketName) {
        const QString path = folder + u'/' + socketName;
        QString why = folderProblem(folder);
        if (why.isEmpty() && !fitsSocketAddress(path)) {
            why = tr("%1 is too long a path for a socket").arg(path);
        }
        if (!why.isEmpty()) {
            problems.append(why);
            return QString();
        }
        return path;
    };

    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString path = runtime.isEmpty() ? QString() : usable(runtime, name);
    if (path.isEmpty()) {
        const QString temporary = QDir::tempPath() + QStringLiteral("/lumaveil-%1").arg(::getuid());
        ::mkdir(QFile::encodeName(temporary).constData(), 0700);
        path = usable(temporary, name);
        // Without a runtime folder the temporary one is the usual place, and nothing worth a word.
        if (!path.isEmpty()) {
            problems.clear();
        }
    }
    if (path.isEmpty()) {
        // A folder of the temporary folder's name that is someone else's can stay for ever; the user's own cache
        // folder is out of other users' reach. A home shared between machines has one copy on each, hence the host.
        QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
        if (!QDir::isAbsolutePath(cache)) {
            cache = QDir::homePath() + QStringLiteral("/.cache");
        }
        QDir().mkpath(cache);
        const QString folder = cache + QStringLiteral("/lumaveil");
        ::mkdir(QFile::encodeName(folder).constData(), 0700);
        QString host = QSysInfo::machineHostName();
        host.replace(u'/', u'_');
        path = usable(folder, QStringLiteral("lumaveil-%1.socket").arg(host));
        if (!path.isEmpty()) {
            problems.append(tr("using %1 instead").arg(path));
        } else {
            problems.append(tr("so each start runs a copy of its own"));
        }
    }
    if (problem) {
        *problem = problems.join(QStringLiteral("; ")) + (problems.isEmpty() ? QString() : QStringLiteral("."));
    }
    return path;
}

RunningCopy::RunningCopy(QObject* parent)
    : QObject(parent)
{
    m_socketPath = socketPath(&m_placeProblem);
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

RunningCopy::Outcome RunningCopy::handOver(const QStringList& commands, QString* problem)
{
    QStringList notes;
    if (!m_placeProblem.isEmpty()) {
        notes.append(m_placeProblem);
    }
    m_commands = commands;
    Outcome outcome = Outcome::NoneRunning;
    // Without a private folder for the socket, every start runs on its own.
    if (!m_socketPath.isEmpty()) {
        lock(&notes);
        outcome = reach(&notes);
        if (outcome != Outcome::NoneRunning) {
            unlock();
        }
    }
    if (problem) {
        *problem = notes.join(u'\n');
    }
    return outcome;
}

void RunningCopy::lock(QStringList* notes)
{
    const QString name = m_socketPath + QStringLiteral(".lock");
    const QByteArray path = QFile::encodeName(name);
    constexpr int flags = O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC;
    m_lock = ::open(path.constData(), flags, 0600);
    // A link in its place is no lock of ours: what it points to stays untouched, and a file of our own replaces it,
    // as a socket left behind is replaced.
    if (m_lock < 0 && errno == ELOOP && ::unlink(path.constData()) == 0) {
        m_lock = ::open(path.constData(), flags, 0600);
    }
    if (m_lock < 0) {
        notes->append(tr("Cannot open the start-up lock %1: %2; going on without it.").arg(name, systemError(errno)));
        return;
    }
    // A start that waits here is a logon's autostart as often as a command typed: it must not wait for ever.
    const QDeadlineTimer deadline(lockWaitMs);
    while (::flock(m_lock, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        if (error == EINTR) {
            continue;
        }
        if (error != EWOULDBLOCK) {
            notes->append(
                tr("Cannot take the start-up lock %1: %2; going on without it.").arg(name, systemError(error)));
        } else if (deadline.hasExpired()) {
            notes->append(tr("The start-up lock %1 has been held by %2 for %3 seconds; going on without it.")
                              .arg(name, lockHolder(m_lock))
                              .arg(lockWaitMs / 1000));
        } else {
            ::poll(nullptr, 0, 50);
            continue;
        }
        unlock();
        return;
    }
}

RunningCopy::Outcome RunningCopy::reach(QStringList* notes) const
{
    const QByteArray path = QFile::encodeName(m_socketPath);
    if (!fitsSocketAddress(m_socketPath)) {
        notes->append(tr("%1 is too long a path for a socket.").arg(m_socketPath));
        return Outcome::NoneRunning;
    }
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        notes->append(tr("Cannot look for a running copy: %1").arg(systemError(errno)));
        return Outcome::NoneRunning;
    }
    const auto closing = qScopeGuard([fd] { ::close(fd); });
    const QDeadlineTimer deadline(answerTimeoutMs);
    const QString doesNotAnswer = tr("Lumaveil runs already but does not answer at %1.").arg(m_socketPath);
    // A copy that no longer takes connections fills its queue of them, and a connect that blocks would then wait for
    // ever; without blocking it says so, and the queue may yet move on.
    while (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // No socket, or one that nobody listens on any more: this start is the running copy.
        if (errno != EAGAIN) {
            return Outcome::NoneRunning;
        }
        if (deadline.hasExpired()) {
            notes->append(doesNotAnswer);
            return Outcome::Failed;
        }
        ::poll(nullptr, 0, 50);
    }

    QByteArray request = greeting + '\n';
    for (const QString& command : m_commands) {
        request += command.toUtf8() + '\n';
    }
    request += '\n';
    if (request.size() > largestRequest) {
        notes->append(tr("Lumaveil runs already, but the command line is too long to hand over: %1 commands make "
                         "%2 kB, and it takes at most %3 kB at once.")
                          .arg(m_commands.size())
                          .arg(request.size() / 1024)
                          .arg(largestRequest / 1024));
        return Outcome::Failed;
    }
    switch (exchange(fd, request, deadline)) {
    case Exchange::Answered:
        return Outcome::Delivered;
    case Exchange::TimedOut:
        notes->append(doesNotAnswer);
        break;
    case Exchange::HungUp:
        notes->append(tr("Lumaveil runs already at %1 but hung up without taking the commands.").arg(m_socketPath));
        break;
    }
    return Outcome::Failed;
}

RunningCopy::Outcome RunningCopy::listen(QString* problem)
{
    QStringList notes;
    Outcome outcome = Outcome::NoneRunning;
    if (!m_socketPath.isEmpty()) {
        // Where a start went on without the lock, two may get here: the later one hands over rather than take the
        // socket from the earlier, so that no two copies share the settings.
        outcome = reach(&notes);
    }
    if (outcome == Outcome::NoneRunning && !m_socketPath.isEmpty()) {
        notes.clear();
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        // What is left there belongs to a copy that ended without closing it: nobody listens on it.
        QLocalServer::removeServer(m_socketPath);
        if (!m_server->listen(m_socketPath)) {
            notes.append(tr("Later starts cannot reach this one: %1").arg(m_server->errorString()));
        }
        connect(m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* connection = m_server->nextPendingConnection()) {
                auto received = std::make_shared<QByteArray>();
                connect(connection, &QLocalSocket::readyRead, this, [this, connection, received] {
                    readConnection(connection, *received);
                });
                connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
                // A start that connects and says nothing is dropped.
                QTimer::singleShot(answerTimeoutMs, connection, [connection] { connection->abort(); });
            }
        });
    }
    unlock();
    if (problem) {
        *problem = notes.join(u'\n');
    }
    return outcome;
}

void RunningCopy::readConnection(QLocalSocket* connection, QByteArray& received)
{
    // A long request comes in pieces.
    received += connection->readAll();
    if (received.size() > largestRequest) {
        connection->abort();
        return;
    }
    if (!received.endsWith("\n\n")) {
        return;
    }
    QList<QByteArray> lines = received.split('\n');
    lines.removeLast();
    lines.removeLast();
    if (lines.isEmpty() || lines.takeFirst() != greeting) {
        connection->abort();
        return;
    }
    QStringList commands;
    commands.reserve(lines.size());
    for (const QByteArray& line : lines) {
        commands.append(QString::fromUtf8(line));
    }
    received.clear();
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
