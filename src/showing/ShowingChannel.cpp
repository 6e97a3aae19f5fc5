// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/ShowingChannel.h"

#include <QDataStream>
#include <QIODevice>
#include <QLocalSocket>
#include <QtEndian>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Both ends are built from the same program: one stream version, whatever Qt's default becomes.
constexpr QDataStream::Version streamVersion = QDataStream::Qt_6_4;

} // namespace

ShowingChannel::ShowingChannel(int socket, QObject* parent)
    : QObject(parent)
    , m_socket(std::make_unique<QLocalSocket>())
{
    if (socket < 0 || !m_socket->setSocketDescriptor(socket)) {
        if (socket >= 0) {
            ::close(socket);
        }
        m_ended = true;
        return;
    }
    connect(m_socket.get(), &QLocalSocket::readyRead, this, &ShowingChannel::readAvailable);
    connect(m_socket.get(), &QLocalSocket::disconnected, this, [this] {
        // What arrived before the end is still delivered.
        readAvailable();
        if (!std::exchange(m_ended, true)) {
            emit closed();
        }
    });
}

ShowingChannel::~ShowingChannel()
{
    // Quietly: whoever destroys the channel knows it ends.
    m_socket->disconnect(this);
}

bool ShowingChannel::makePair(int& here, int& there)
{
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return false;
    }
    // The child's end is kept open across exec.
    ::fcntl(ends[1], F_SETFD, 0);
    here = ends[0];
    there = ends[1];
    return true;
}

bool ShowingChannel::isOpen() const
{
    return !m_ended && m_socket->state() == QLocalSocket::ConnectedState;
}

bool ShowingChannel::send(const ShowingMessage& message)
{
    if (!isOpen()) {
        return false;
    }
    QByteArray frame(4, '\0');
    {
        QDataStream stream(&frame, QIODevice::WriteOnly | QIODevice::Append);
        stream.setVersion(streamVersion);
        stream << message.kind << message.values;
    }
    const quint32 length = frame.size() - 4;
    if (length > longestMessage) {
        return false;
    }
    qToBigEndian(length, frame.data());
    if (m_socket->write(frame) != frame.size()) {
        return false;
    }
    // Out at once, as far as the socket takes it, not when the event loop next runs: the last message before a
    // process ends must leave.
    m_socket->flush();
    return true;
}

void ShowingChannel::readAvailable()
{
    if (m_ended) {
        return;
    }
    m_buffer += m_socket->readAll();
    while (!m_ended && m_buffer.size() >= 4) {
        const quint32 length = qFromBigEndian<quint32>(m_buffer.constData());
        if (length > longestMessage) {
            breakOff(QStringLiteral("a message of %1 bytes").arg(length));
            return;
        }
        if (quint32(m_buffer.size() - 4) < length) {
            return;
        }
        const QByteArray body = m_buffer.mid(4, length);
        m_buffer.remove(0, 4 + length);
        QDataStream stream(body);
        stream.setVersion(streamVersion);
        ShowingMessage message;
        stream >> message.kind >> message.values;
        if (stream.status() != QDataStream::Ok || !stream.atEnd() || message.kind.isEmpty()) {
            breakOff(QStringLiteral("a message that cannot be read"));
            return;
        }
        emit received(message);
    }
}

void ShowingChannel::breakOff(const QString& why)
{
    m_ended = true;
    m_buffer.clear();
    m_socket->disconnect(this);
    m_socket->abort();
    emit broken(why);
}
