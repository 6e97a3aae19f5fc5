// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "showing/Showing.h"
#include "showing/ShowingChannel.h"

#include <QHash>
#include <QObject>
#include <QProcess>

#include <memory>

struct ShowingRequest;

/**
 * A showing in a process of its own, seen from the program: starts the program's own file as the showing's process,
 * hands it the request, and follows it to its end, whatever that end is.
 *
 * A death is told on stderr with the file that was being played; a file that was being played at two deaths is left
 * out of the showings that follow, for as long as this object lives.
 */
class ChildShowing : public Showing
{
    Q_OBJECT

public:
    /** program: the file to start, the program's own. */
    explicit ChildShowing(QString program, QObject* parent = nullptr);
    /** A showing still running is ended at once. */
    ~ChildShowing() override;

    /**
     * Starts the process ahead of the showing, which then only waits for its request: the first picture comes sooner.
     * endWithoutAsking() lets it go again. False when it cannot start.
     */
    bool prepare();
    /** Starts the process with the request, or hands a running one the new request; false when it cannot start. */
    bool play(const ShowingRequest& request) override;
    void endWithoutAsking() override;
    [[nodiscard]] bool isRunning() const;
    /** The process's id while it runs; 0 otherwise. */
    [[nodiscard]] qint64 processId() const
    {
        return m_process.processId();
    }

signals:
    /** The showing opened this file. */
    void playing(const QString& path);
    /**
     * The process went away without the showing's end: it crashed, was killed, or broke the connection. path is the
     * file it was playing; empty before the first. died() follows.
     */
    void diedOf(const QString& why, const QString& path);

private:
    bool launch();
    void received(const ShowingMessage& message);
    void processFinished(int exitCode, QProcess::ExitStatus status);

    QString m_program;
    QProcess m_process;
    std::unique_ptr<ShowingChannel> m_channel;
    // How it went: the end was told, or asked for; otherwise the process's end is a death.
    bool m_endTold = false;
    bool m_endAsked = false;
    QString m_broken;
    QString m_playing;
    QHash<QString, int> m_deaths;
};
