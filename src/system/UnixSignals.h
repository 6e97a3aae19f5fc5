// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

/**
 * Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the GUI thread, so that the program can end the way a
 * close request ends it. At most one instance may exist.
 */
class UnixSignals : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignals(QObject* parent = nullptr);
    ~UnixSignals() override;

    /**
     * Keeps the handled signals away from the calling thread, for worker threads that may sit in a system call that
     * never returns (a dead network or FUSE mount): a signal the kernel gave such a thread would never be handled.
     */
    static void keepFromThisThread();

signals:
    void terminationRequested();

private:
    void readSignal();

    QSocketNotifier* m_notifier = nullptr;
};
