// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "desktop/XClient.h"

#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

/**
 * The real program, started as a user starts it, with a settings store of its own in a temporary folder. The
 * store is written before the start from the given keys; the example videos are at hand for the lists.
 */
class ProgramRun
{
public:
    explicit ProgramRun(const QMap<QString, QString>& settings = {});
    ~ProgramRun();

    /** Starts the program; extra holds further environment variables. */
    void start(const QMap<QString, QString>& extra = {}, const QStringList& arguments = {});
    /**
     * Starts the program once more, as a user does while it runs, and waits for that start to end: its exit code,
     * or -1 when it crashed or hung.
     */
    int startAgain(const QStringList& arguments = {});
    [[nodiscard]] qint64 pid() const
    {
        return m_process.processId();
    }
    [[nodiscard]] QProcess& process()
    {
        return m_process;
    }
    /** The example videos, joined as the file list is stored. */
    [[nodiscard]] static QString exampleVideos();
    /** Settings for a showing of the example videos in order, each played for two seconds. */
    [[nodiscard]] static QMap<QString, QString> exampleShowing();
    [[nodiscard]] QString settingsFile() const;
    [[nodiscard]] QString setting(const QString& key) const;

    /** Ends the program as the session does, and waits for it: its exit code, or -1 when it crashed or hung. */
    int terminate();

private:
    // Its own runtime folder, where the running copy listens: programs of other tests are no running copy to it.
    [[nodiscard]] QProcessEnvironment environment(const QMap<QString, QString>& extra = {}) const;

    QTemporaryDir m_folder;
    QProcess m_process;
};

/** Positions on the program's designed windows, which are laid out in twips (15 to a pixel). */
[[nodiscard]] inline QPoint twipsCentre(int left, int top, int width, int height)
{
    return QPoint((left + width / 2) / 15, (top + height / 2) / 15);
}
