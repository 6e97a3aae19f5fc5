// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

/**
 * One running copy per user: the first start listens on a local socket in a private folder of the user's, and a later
 * start hands its commands to it and ends. A start holds a lock file while it looks for a running copy and, finding
 * none, begins to listen, so that two copies started at the same moment end as one; a socket left behind by a copy
 * that crashed is removed. A lock that another process keeps for more than a few seconds is not waited for.
 */
class RunningCopy : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Delivered,   // a running copy took the commands: this start ends
        NoneRunning, // this start is the running copy: listen() next
        Failed,      // a copy runs but did not answer, or did not take the commands
    };

    /**
     * The socket of the user's running copy: in $XDG_RUNTIME_DIR, else in a private folder of the temporary folder
     * ($TMPDIR, normally /tmp), else, where that folder is another user's or open to others, in the user's cache
     * folder. Empty where there is no such place; problem then says why, and names the unusable folders where the
     * cache folder stands in.
     */
    [[nodiscard]] static QString socketPath(QString* problem = nullptr);

    /**
     * Takes the start-up lock and hands the commands (none: show the window) to a running copy. While this returns
     * NoneRunning, the lock is held until listen() or the end of this object. problem holds, one per line, what went
     * wrong or what this start could not do as usual (an unusable folder, a lock held elsewhere), also where the
     * outcome is not Failed. Needs no application object.
     */
    Outcome handOver(const QStringList& commands, QString* problem = nullptr);

    /**
     * Listens for later starts and lets go of the start-up lock: NoneRunning, and this start is the running copy. A
     * copy that began to listen meanwhile (possible only where a start did not wait for the lock) takes the commands
     * of handOver() instead, and this start ends: Delivered or Failed. Needs the application object.
     */
    Outcome listen(QString* problem = nullptr);

    /** For the user's own socket. */
    explicit RunningCopy(QObject* parent = nullptr);
    /** For a socket of one's own, as tests use. */
    explicit RunningCopy(QString socketPath, QObject* parent = nullptr);
    ~RunningCopy() override;

signals:
    /** A later start handed over these commands; an empty list asks for the main window. */
    void commandsReceived(const QStringList& commands);

private:
    void lock(QStringList* notes);
    void unlock();
    Outcome reach(QStringList* notes) const;
    void readConnection(QLocalSocket* connection, QByteArray& received);

    QString m_socketPath;
    QString m_placeProblem;
    QStringList m_commands;
    int m_lock = -1;
    QLocalServer* m_server = nullptr;
};
