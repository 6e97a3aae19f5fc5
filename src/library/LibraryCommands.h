// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <deque>
#include <memory>

class Dialogs;
class ErrorReporter;
class PathListModel;
class SettingsStore;
class VideoLibrary;

/**
 * What the main window's library buttons and lists do: add files and folders, clear, load the example videos, take
 * drops and remove entries. Each change of a list ends with a rebuild of the playable list. Long folder walks run
 * in the background; while the library is busy, clearing and removing are refused.
 */
class LibraryCommands : public QObject
{
    Q_OBJECT

public:
    LibraryCommands(VideoLibrary& library,
                    SettingsStore& settings,
                    Dialogs& dialogs,
                    ErrorReporter& reporter,
                    QString samplesFolder,
                    QObject* parent = nullptr);

    /** The window that the dialogs belong to. */
    void setWindow(QWidget* window);

    /** "Add Video File(s)" */
    void PushButton1_Click();
    /** "Add Folder(s)" */
    void PushButton15_Click();
    /** "Add All Subfolders In Folder" */
    void PushButton21_Click();
    /** "Add All File(s) In Folder" */
    void PushButton4_Click();
    /** "Clear List" */
    void PushButton3_Click();
    /** "Load Sample/Example Files" */
    void PushButton5_Click();
    /** "Help" */
    void PushButton6_Click();

    /** Adds the example videos that are not yet in the file list, then offers to show their folder. */
    void LoadSampleFiles();

    /** Files and folders dropped on the file list: each file, and every file below each folder. */
    void dropOnFileList(const QStringList& paths);
    /** Files and folders dropped on the folder list: each folder as an entry, each file into the file list. */
    void dropOnFolderList(const QStringList& paths);

    /** A key on the file list: Delete removes the selected entry; every key rebuilds. */
    void ListView1_KeyDown(int key, int selectedRow);
    /** A key on the folder list: Delete removes the selected entry and rebuilds. */
    void ListView5_KeyDown(int key, int selectedRow);
    void ListView1_DblClick(int selectedRow);
    void ListView5_DblClick(int selectedRow);

    /** True when some entry of the list has exactly this text. */
    [[nodiscard]] static bool ListContainsText(const PathListModel& list, const QString& text);

    [[nodiscard]] static QString fileDialogFilter();

private:
    // Entries that a command adds to a list, once they are known: a folder walk may take a while.
    struct Addition
    {
        PathListModel* list;
        QStringList paths;
        bool known = false;
    };
    using Slot = std::shared_ptr<Addition>;

    void rebuild();
    void removeEntry(PathListModel& list, int row);
    Slot reserve(PathListModel& list);
    void fill(const Slot& slot, QStringList paths);
    void add(PathListModel& list, QStringList paths);
    void addFilesBelow(QStringList paths);
    QStringList withoutUnreadableNames(const QStringList& paths);

    VideoLibrary& m_library;
    SettingsStore& m_settings;
    Dialogs& m_dialogs;
    ErrorReporter& m_reporter;
    QString m_samplesFolder;
    QPointer<QWidget> m_window;
    // The additions not yet made, in the order of the commands: one that is known waits for those before it.
    std::deque<Slot> m_additions;
};
