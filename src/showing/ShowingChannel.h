// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <memory>

class QLocalSocket;

/**
 * What goes over the channel: a kind, and named values, each a list of texts. Texts only, so that reading a message
 * from a process that decodes untrusted files builds no object richer than a string.
 */
struct ShowingMessage
{
    QString kind;
    QMap<QString, QStringList> values;

    /** The first text of the named value; empty where there is none. */
    [[nodiscard]] QString value(const QString& name) const
    {
        return values.value(name).value(0);
    }
};

/**
 * One end of the connection between the program and the process that runs a showing: messages over a stream socket
 * that the two processes alone hold (a socket pair, never a name in the file system).
 *
 * A message is its length (four bytes, big-endian), then the kind and the values as QDataStream writes them. Whatever
 * the other end sends is read with care: a frame that is too long, cut short or that does not read as a message
 * breaks the connection, and broken() tells why; the end of the stream is told by closed(). After either, nothing
 * more is received.
 */
class ShowingChannel : public QObject
{
    Q_OBJECT

public:
    /** A message longer than this is refused: the longest list of videos is some megabytes. */
    static constexpr quint32 longestMessage = 64 * 1024 * 1024;

    /** Takes over a connected stream socket; -1 makes a channel that is closed already. */
    explicit ShowingChannel(int socket, QObject* parent = nullptr);
    ~ShowingChannel() override;

    /**
     * Two ends of a new connection, for this process and for the process that it starts; the second is not closed
     * when a program is executed, so that the child inherits it. Returns false when the system refuses.
     */
    [[nodiscard]] static bool makePair(int& here, int& there);

    [[nodiscard]] bool isOpen() const;
    /** Sends the message; false when the channel is closed or broken. */
    bool send(const ShowingMessage& message);

signals:
    void received(const ShowingMessage& message);
    /** The other end closed the connection, or its process ended. */
    void closed();
    /** The other end sent what is no message; the connection is closed. */
    void broken(const QString& why);

private:
    void readAvailable();
    void breakOff(const QString& why);

    std::unique_ptr<QLocalSocket> m_socket;
    QByteArray m_buffer;
    bool m_ended = false;
};
