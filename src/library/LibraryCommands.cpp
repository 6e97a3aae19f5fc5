// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryCommands.h"

#include "library/FolderScanner.h"
#include "library/VideoLibrary.h"
#include "settings/SettingsStore.h"
#include "system/GuardedRoutine.h"
#include "system/RoutinePaths.h"
#include "widgets/Dialogs.h"

#include <QFileInfo>
#include <QWidget>

namespace {

const char* const folderPickerTitle = QT_TRANSLATE_NOOP("LibraryCommands", "Please select folder:");

// A name that is not UTF-8 reaches the program with U+FFFD in place of its bad bytes. Under that name the file
// cannot be found again: an entry for it would be dead.
bool isUnreadableName(const QString& path)
{
    return path.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(path);
}

} // namespace

QString LibraryCommands::fileDialogFilter()
{
    return tr("Video Files (*.avi *.wmv *.mpg *.mpeg *.flv *.mkv *.ogg *.mp4 *.mov *.webm *.m4v);;All Files (*)");
}

LibraryCommands::LibraryCommands(VideoLibrary& library,
                                 SettingsStore& settings,
                                 Dialogs& dialogs,
                                 ErrorReporter& reporter,
                                 QString samplesFolder,
                                 QObject* parent)
    : QObject(parent)
    , m_library(library)
    , m_settings(settings)
    , m_dialogs(dialogs)
    , m_reporter(reporter)
    , m_samplesFolder(std::move(samplesFolder))
{}

void LibraryCommands::setWindow(QWidget* window)
{
    m_window = window;
}

void LibraryCommands::rebuild()
{
    m_library.CorrelateListviewsWrapper();
}

// Entries land in the order of the commands that added them, whatever order their folder walks end in.
LibraryCommands::Slot LibraryCommands::reserve(PathListModel& list)
{
    m_additions.push_back(std::make_shared<Addition>(Addition{&list, {}, false}));
    return m_additions.back();
}

void LibraryCommands::fill(const Slot& slot, QStringList paths)
{
    slot->paths = std::move(paths);
    slot->known = true;
    while (!m_additions.empty() && m_additions.front()->known) {
        const Slot next = m_additions.front();
        m_additions.pop_front();
        next->list->append(next->paths);
    }
}

void LibraryCommands::add(PathListModel& list, QStringList paths)
{
    fill(reserve(list), std::move(paths));
}

// The names that could not be kept are left out, and the person is told which, once. Not from inside the drop or
// the dialog that brought them: the message waits for them to end.
QStringList LibraryCommands::withoutUnreadableNames(const QStringList& paths)
{
    QStringList kept;
    QStringList refused;
    for (const QString& path : paths) {
        (isUnreadableName(path) ? refused : kept).append(path);
    }
    if (!refused.isEmpty()) {
        QMetaObject::invokeMethod(
            this,
            [this, refused] {
                m_dialogs.message(
                    m_window,
                    tr("These files could not be added: their names are not UTF-8 text, so Lumaveil could "
                       "not find them again by name. Renamed, they can be added.\n\n%1")
                        .arg(refused.join(QLatin1Char('\n'))),
                    Dialogs::Icon::Warning);
            },
            Qt::QueuedConnection);
    }
    return kept;
}

void LibraryCommands::PushButton1_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form1_PushButton1_Click);
    QStringList chosen;
    routine.step(100, [&] {
        chosen = withoutUnreadableNames(
            m_dialogs.openFiles(m_window, tr("Add File(s) - Hold Ctrl to select multiple files"), fileDialogFilter()));
    });
    if (routine.test(102, [&] { return chosen.isEmpty(); })) {
        routine.step(104, [&] { rebuild(); });
        return;
    }
    routine.step(106, [&] {
        // One file is added as the dialog gave it; several are joined from their folder and normalised.
        if (chosen.size() == 1) {
            add(m_library.files(), chosen);
            return;
        }
        QStringList normalised;
        for (const QString& path : chosen) {
            normalised.append(FolderScanner::NormalizePath(path));
        }
        add(m_library.files(), normalised);
    });
    routine.step(108, [&] { rebuild(); });
}

void LibraryCommands::PushButton15_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form1_PushButton15_Click);
    QString folder;
    routine.step(100, [&] {
        folder = m_dialogs.pickFolder(m_window, tr(folderPickerTitle), m_settings.ReadSetting(Setting::LastFolderDot));
    });
    if (routine.test(102, [&] { return folder.isEmpty(); })) {
        routine.step(104, [&] { rebuild(); });
        return;
    }
    routine.step(106, [&] { add(m_library.folders(), {FolderScanner::NormalizePath(folder + QLatin1Char('/'))}); });
    routine.step(108, [&] { rebuild(); });
}

void LibraryCommands::PushButton21_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form1_PushButton21_Click);
    QString folder;
    routine.step(100, [&] {
        folder = m_dialogs.pickFolder(m_window, tr(folderPickerTitle), m_settings.ReadSetting(Setting::LastFolderDot));
    });
    if (routine.test(102, [&] { return folder.isEmpty(); })) {
        routine.step(104, [&] { rebuild(); });
        return;
    }
    routine.step(106, [&] { folder.append(QLatin1Char('/')); });
    routine.step(108, [&] { add(m_library.folders(), {FolderScanner::NormalizePath(folder)}); });
    routine.step(110, [&] {
        const Slot subfolders = reserve(m_library.folders());
        m_library.walkInBackground(
            [folder](const FolderScanner::StopFlag* stop) {
                QStringList workList{folder};
                FolderScanner::GetSubDirectories2016(workList, true, stop);
                return workList;
            },
            [this, subfolders](const QStringList& workList) {
                // The chosen folder is already listed; its subfolders follow as they stand in the work list.
                fill(subfolders, workList.mid(1));
                rebuild();
            });
    });
}

void LibraryCommands::PushButton4_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form1_PushButton4_Click);
    QString extension;
    routine.step(100, [&] {
        extension = m_dialogs.inputText(m_window,
                                        tr("Enter file extension to load:\r\r(* for all files, txt for all "
                                           "txt files, doc for all doc files, etc.)"),
                                        m_settings.ReadSetting(Setting::Extension));
    });
    if (routine.test(102, [&] { return extension.isEmpty(); })) {
        return;
    }
    routine.step(104, [&] { m_settings.WriteSetting(Setting::Extension, extension); });
    QString folder;
    routine.step(106, [&] {
        folder = m_dialogs.pickFolder(m_window, tr(folderPickerTitle), m_settings.ReadSetting(Setting::LastFolder));
    });
    if (routine.test(108, [&] { return folder.isEmpty(); })) {
        routine.step(333, [&] { rebuild(); });
        return;
    }
    routine.step(334, [&] { m_settings.WriteSetting(Setting::LastFolder, folder); });
    routine.step(110, [&] {
        const QString pattern = QStringLiteral("*.") + extension;
        const Slot found = reserve(m_library.files());
        m_library.walkInBackground(
            [folder, pattern](const FolderScanner::StopFlag* stop) {
                return FolderScanner::filesBelow(folder, pattern, stop);
            },
            [this, found](const QStringList& files) {
                fill(found, files);
                rebuild();
            });
    });
}

void LibraryCommands::PushButton3_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form1_PushButton3_Click);
    if (routine.test(100, [&] { return !m_library.isBusy(); })) {
        routine.step(102, [&] { m_library.files().clear(); });
    }
    routine.step(104, [&] { rebuild(); });
}

void LibraryCommands::PushButton5_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form1_PushButton5_Click);
    routine.step(100, [&] { LoadSampleFiles(); });
    routine.step(110, [&] { rebuild(); });
}

void LibraryCommands::LoadSampleFiles()
{
    PathListModel& files = m_library.files();
    QStringList added;
    for (const QString& name : FolderScanner::ListFilesByPattern(m_samplesFolder, QStringLiteral("*.*"))) {
        const QString sample = m_samplesFolder + QLatin1Char('/') + name;
        if (!ListContainsText(files, sample)) {
            added.append(sample);
        }
    }
    add(files, added);
    if (m_dialogs.question(m_window,
                           tr("Would you like this software to open the folder where these sample files "
                              "are stored (so that you can view them before working with them)?"))) {
        m_dialogs.showFolder(m_samplesFolder);
    }
}

bool LibraryCommands::ListContainsText(const PathListModel& list, const QString& text)
{
    return list.paths().contains(text);
}

void LibraryCommands::PushButton6_Click()
{
    GuardedRoutine routine(m_reporter, RoutinePath::Form1_PushButton6_Click);
    routine.step(100, [&] {
        m_dialogs.message(m_window, tr("Most video file formats can be played with this software but not all."));
    });
}

void LibraryCommands::dropOnFileList(const QStringList& dropped)
{
    const QStringList paths = withoutUnreadableNames(dropped);
    const Slot slot = reserve(m_library.files());
    m_library.walkInBackground(
        [paths](const FolderScanner::StopFlag* stop) {
            QStringList added;
            for (const QString& path : paths) {
                if (FolderScanner::IsFolderPath(path)) {
                    added.append(FolderScanner::filesBelow(path, QStringLiteral("*.*"), stop));
                } else if (QFileInfo::exists(path)) {
                    added.append(path);
                }
            }
            return added;
        },
        [this, slot](const QStringList& added) {
            fill(slot, added);
            rebuild();
        });
}

void LibraryCommands::dropOnFolderList(const QStringList& dropped)
{
    QStringList folders;
    QStringList files;
    for (const QString& path : withoutUnreadableNames(dropped)) {
        if (FolderScanner::IsFolderPath(path)) {
            folders.append(FolderScanner::NormalizePath(path + QLatin1Char('/')));
        } else if (QFileInfo::exists(path)) {
            files.append(path);
        }
    }
    add(m_library.folders(), folders);
    add(m_library.files(), files);
    rebuild();
}

void LibraryCommands::removeEntry(PathListModel& list, int row)
{
    // While folders are being walked the lists stay as they are.
    if (m_library.isBusy()) {
        return;
    }
    list.removeAt(row);
}

void LibraryCommands::ListView1_KeyDown(int key, int selectedRow)
{
    if (key == Qt::Key_Delete) {
        removeEntry(m_library.files(), selectedRow);
    }
    rebuild();
}

void LibraryCommands::ListView5_KeyDown(int key, int selectedRow)
{
    if (key == Qt::Key_Delete) {
        removeEntry(m_library.folders(), selectedRow);
        rebuild();
    }
}

void LibraryCommands::ListView1_DblClick(int selectedRow)
{
    removeEntry(m_library.files(), selectedRow);
    rebuild();
}

void LibraryCommands::ListView5_DblClick(int selectedRow)
{
    removeEntry(m_library.folders(), selectedRow);
    rebuild();
}
