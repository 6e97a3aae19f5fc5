// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

/**
 * One running copy per user: the first start listens on a local socket in the user's runtime folder, and a later
 * start hands its commands to it and ends. A start holds a lock file while it looks for a running copy and, finding
 * none, begins to listen, so that two copies started at the same moment end as one; a socket left behind by a copy
 * that crashed is removed.
 */
class RunningCopy : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Delivered,   // a running copy took the commands: this start ends
        NoneRunning, // this start is the running copy: listen() next
        Failed,      // a copy runs but did not answer
    };

    /** The socket of the user's running copy, in $XDG_RUNTIME_DIR (or a private folder in /tmp without one). */
    [[nodiscard]] static QString socketPath();

    /**
     * Takes the start-up lock and hands the commands (none: show the window) to a running copy. While this returns
     * NoneRunning, the lock is held until listen() or the end of this object. Needs no application object.
     */
    Outcome handOver(const QStringList& commands, QString* error = nullptr);

    /** Listens for later starts and lets go of the start-up lock. Needs the application object. */
    bool listen(QString* error = nullptr);

    /** For the user's own socket; tests give one of their own. */
    explicit RunningCopy(QString socketPath = RunningCopy::socketPath(), QObject* parent = nullptr);
    ~RunningCopy() override;

signals:
    /** A later start handed over these commands; an empty list asks for the main window. */
    void commandsReceived(const QStringList& commands);

private:
    void unlock();
    void readConnection(QLocalSocket* connection);

    QString m_socketPath;
    int m_lock = -1;
    QLocalServer* m_server = nullptr;
};
