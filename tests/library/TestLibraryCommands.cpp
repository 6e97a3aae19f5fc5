// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestEnvironment.h"
#include "library/FolderScanner.h"
#include "library/LibraryCommands.h"
#include "library/VideoLibrary.h"
#include "system/ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSemaphore>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

class TestLibraryCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestEnvironment> m_env;
    std::unique_ptr<VideoLibrary> m_library;
    std::unique_ptr<LibraryCommands> m_commands;

    QString path(const QString& relative) const
    {
        return m_env->path(relative);
    }

    void touch(const QString& relative)
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        QFile file(path(relative));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    const QStringList& files() const
    {
        return m_library->files().paths();
    }
    const QStringList& folders() const
    {
        return m_library->folders().paths();
    }
    const QStringList& playable() const
    {
        return m_library->playable().paths();
    }

    bool idle() const
    {
        return !m_library->isBusy();
    }

    // Keeps the library busy until the returned semaphore is released.
    std::shared_ptr<QSemaphore> occupy()
    {
        auto gate = std::make_shared<QSemaphore>();
        m_library->walkInBackground(
            [gate](const FolderScanner::StopFlag*) {
                gate->acquire();
                return QStringList();
            },
            [](const QStringList&) {});
        return gate;
    }

private slots:
    void init()
    {
        m_env = std::make_unique<TestEnvironment>();
        m_library = std::make_unique<VideoLibrary>(m_env->report);
        m_commands = std::make_unique<LibraryCommands>(
            *m_library, *m_env->settings, m_env->dialogs, m_env->report, path("program/Samples"));
    }

    void cleanup()
    {
        QTRY_VERIFY(idle());
        QVERIFY(m_env->reports().isEmpty());
        m_commands.reset();
        m_library.reset();
        m_env.reset();
    }

    void testAddFiles()
    {
        m_env->dialogs.fileAnswers = {{QStringLiteral("/films//one.mkv")},
                                      {QStringLiteral("/films//two.avi"), QStringLiteral("/films//notes.txt")},
                                      {QStringLiteral("/films//one.mkv")}};
        m_commands->PushButton1_Click();
        m_commands->PushButton1_Click();
        m_commands->PushButton1_Click();
        // One file stays as the dialog gave it; several are normalised; a file added twice is listed twice.
        QCOMPARE(files(), QStringList({"/films//one.mkv", "/films/two.avi", "/films/notes.txt", "/films//one.mkv"}));
        QTRY_COMPARE(playable(), files());
        QCOMPARE(m_env->dialogs.fileDialogTitles.first(),
                 QStringLiteral("Add File(s) - Hold Ctrl to select multiple files"));
        // The dialog offers the videos that a folder's walk plays, the example videos too, and then all files.
        const QStringList filters = m_env->dialogs.fileDialogFilters.first().split(QStringLiteral(";;"));
        QCOMPARE(filters.size(), 2);
        QStringList offered;
        for (const QRegularExpressionMatch& match :
             QRegularExpression(QStringLiteral("\\*\\.(\\w+)")).globalMatch(filters[0])) {
            offered.append(match.captured(1));
        }
        QStringList played = FolderScanner::videoExtensions();
        offered.sort();
        played.sort();
        QCOMPARE(offered, played);
        QCOMPARE(filters[1], QStringLiteral("All Files (*)"));

        m_commands->PushButton1_Click();
        QCOMPARE(files().size(), 4);
    }

    void testAddFolder()
    {
        m_env->settings->WriteSetting(Setting::LastFolderDot, path("start"));
        // A folder that the dialog gives with a trailing "/" (as it gives the root) gets no second one.
        m_env->dialogs.folderAnswers = {path("films"), path("shows") + "/"};
        touch("films/a.mkv");
        touch("shows/b.mkv");
        m_commands->PushButton15_Click();
        m_commands->PushButton15_Click();
        QCOMPARE(folders(), QStringList({path("films") + "/", path("shows") + "/"}));
        QCOMPARE(m_env->dialogs.folderTitles.first(), QStringLiteral("Please select folder:"));
        QCOMPARE(m_env->dialogs.folderStarts.first(), path("start"));

        m_commands->PushButton15_Click();
        QCOMPARE(folders().size(), 2);
    }

    void testAddAllSubfolders()
    {
        touch("tree/top.mkv");
        touch("tree/a/one.mkv");
        touch("tree/a/b/two.mkv");
        m_env->dialogs.folderAnswers = {path("tree")};
        m_commands->PushButton21_Click();
        QTRY_VERIFY(idle());
        QCOMPARE(folders(), QStringList({path("tree/"), path("tree/a/"), path("tree/a/b/")}));
        // Each file comes once for every listed folder at or above it.
        QTRY_COMPARE(playable().count(path("tree/a/b/two.mkv")), 3);
        QCOMPARE(playable().count(path("tree/a/one.mkv")), 2);
        QCOMPARE(playable().count(path("tree/top.mkv")), 1);
    }

    void testAddAllFilesWithAnExtension()
    {
        touch("docs/read.txt");
        touch("docs/sub/more.TXT");
        touch("docs/sub/~lock.txt");
        touch("docs/sub/.hidden.txt");
        touch("docs/clip.mkv");
        m_env->dialogs.inputAnswers = {QStringLiteral("txt")};
        m_env->dialogs.folderAnswers = {path("docs")};
        m_commands->PushButton4_Click();
        QTRY_VERIFY(idle());
        QCOMPARE(files(), QStringList({path("docs/read.txt"), path("docs/sub/more.TXT")}));
        QCOMPARE(m_env->dialogs.inputProposals, QStringList({QStringLiteral("txt")}));
        QCOMPARE(m_env->dialogs.inputPrompts.first(),
                 QStringLiteral("Enter file extension to load:\r\r(* for all files, txt for all txt files, doc for all "
                                "doc files, etc.)"));
        QCOMPARE(m_env->settings->ReadSetting(Setting::Extension), QStringLiteral("txt"));
        QCOMPARE(m_env->settings->ReadSetting(Setting::LastFolder), path("docs"));
        QTRY_COMPARE(playable(), files());
    }

    void testAddAllFilesOfEveryType()
    {
        touch("all/a.mkv");
        touch("all/README");
        touch("all/deep/photo.jpg");
        touch("all/deep/~temp.mkv");
        m_env->settings->WriteSetting(Setting::Extension, QStringLiteral("avi"));
        m_env->settings->WriteSetting(Setting::LastFolder, path("last"));
        m_env->dialogs.inputAnswers = {QStringLiteral("*")};
        m_env->dialogs.folderAnswers = {path("all")};
        m_commands->PushButton4_Click();
        QTRY_VERIFY(idle());
        QCOMPARE(m_env->dialogs.inputProposals, QStringList({QStringLiteral("avi")}));
        QCOMPARE(m_env->dialogs.folderStarts, QStringList({path("last")}));
        const QStringList added = files();
        QCOMPARE(QSet<QString>(added.begin(), added.end()),
                 QSet<QString>({path("all/a.mkv"), path("all/README"), path("all/deep/photo.jpg")}));
    }

    void testAddAllFilesCancelled()
    {
        m_library->playable().setPaths({QStringLiteral("stale")});
        m_commands->PushButton4_Click();
        // No answer: nothing at all happens, not even a rebuild.
        QVERIFY(m_env->dialogs.folderTitles.isEmpty());
        QVERIFY(idle());
        QCOMPARE(playable(), QStringList({QStringLiteral("stale")}));
        QCOMPARE(m_env->settings->ReadSetting(QStringLiteral("Extension"), QStringLiteral("absent")),
                 QStringLiteral("absent"));
    }

    void testClearList()
    {
        touch("kept/k.mkv");
        m_library->files().setPaths({QStringLiteral("/a.mkv"), QStringLiteral("/b.mkv")});
        m_library->folders().setPaths({path("kept/")});

        auto gate = occupy();
        m_commands->PushButton3_Click();
        QCOMPARE(files().size(), 2);
        gate->release();
        QTRY_VERIFY(idle());

        m_commands->PushButton3_Click();
        QVERIFY(files().isEmpty());
        QCOMPARE(folders().size(), 1);
        QTRY_COMPARE(playable(), QStringList({path("kept/k.mkv")}));
    }

    void testRemovingEntries()
    {
        m_library->files().setPaths({QStringLiteral("/a.mkv"), QStringLiteral("/b.mkv"), QStringLiteral("/c.mkv")});
        m_library->folders().setPaths({QStringLiteral("/f/"), QStringLiteral("/g/")});

        m_commands->ListView1_DblClick(1);
        m_commands->ListView1_DblClick(-1);
        QCOMPARE(files(), QStringList({"/a.mkv", "/c.mkv"}));
        QTRY_COMPARE(playable(), files());

        m_commands->ListView5_KeyDown(Qt::Key_Delete, 0);
        // The rebuild that follows a removal keeps the library busy for a moment.
        QTRY_VERIFY(idle());
        m_commands->ListView5_DblClick(0);
        QVERIFY(folders().isEmpty());

        // While folders are walked nothing is removed, though the rebuild still comes.
        auto gate = occupy();
        m_commands->ListView1_KeyDown(Qt::Key_Delete, 0);
        m_commands->ListView1_DblClick(0);
        QCOMPARE(files().size(), 2);
        gate->release();
    }

    void testWhichKeysRebuild()
    {
        m_library->files().setPaths({QStringLiteral("/a.mkv"), QStringLiteral("/b.mkv")});
        m_commands->ListView1_KeyDown(Qt::Key_Down, 0);
        QTRY_COMPARE(playable(), files());

        // A new order reaches the playable list with a key in the file list, not with one in the folder list.
        m_library->files().swapRows(0, 1);
        m_commands->ListView5_KeyDown(Qt::Key_Down, 0);
        QTRY_VERIFY(idle());
        QCOMPARE(playable(), QStringList({"/a.mkv", "/b.mkv"}));
        m_commands->ListView1_KeyDown(Qt::Key_Up, 0);
        QTRY_COMPARE(playable(), QStringList({"/b.mkv", "/a.mkv"}));
    }

    void testDropOnTheFileList()
    {
        touch("drop/one.txt");
        touch("drop/folder/clip.mkv");
        touch("drop/folder/sub/photo.png");
        touch("drop/folder/~skip.mkv");
        touch("drop/folder/.skip");
        touch("drop/other/x.avi");
        m_library->files().setPaths({QStringLiteral("/first.mkv")});
        m_commands->dropOnFileList(
            {path("drop/one.txt"), path("drop/folder"), path("drop/vanished.mkv"), path("drop/other")});
        QTRY_VERIFY(idle());
        QCOMPARE(files(),
                 QStringList({"/first.mkv",
                              path("drop/one.txt"),
                              path("drop/folder/clip.mkv"),
                              path("drop/folder/sub/photo.png"),
                              path("drop/other/x.avi")}));
        QTRY_COMPARE(playable(), files());
    }

    void testDropOnTheFolderList()
    {
        touch("drop/folder/clip.mkv");
        touch("drop/single.avi");
        m_commands->dropOnFolderList({path("drop/folder"), path("drop/single.avi"), path("drop/vanished")});
        QCOMPARE(folders(), QStringList({path("drop/folder/")}));
        QCOMPARE(files(), QStringList({path("drop/single.avi")}));
        QTRY_COMPARE(playable(), QStringList({path("drop/single.avi"), path("drop/folder/clip.mkv")}));
    }

    // Entries land in the order the person gave the commands, not in the order their folder walks end.
    void testAddsLandInTheOrderGiven()
    {
        touch("tree/a/b/one.mkv");
        touch("other/three.mkv");
        m_env->dialogs.folderAnswers = {path("tree"), path("other")};
        m_commands->PushButton21_Click();
        m_commands->PushButton15_Click();
        QTRY_VERIFY(idle());
        QCOMPARE(folders(), QStringList({path("tree/"), path("tree/a/"), path("tree/a/b/"), path("other/")}));

        // A big folder dropped first, a single file after it: the file comes last.
        for (int folder = 0; folder < 60; ++folder) {
            for (int file = 0; file < 100; ++file) {
                touch(QStringLiteral("big/%1/%2.mkv").arg(folder).arg(file));
            }
        }
        touch("single.avi");
        m_commands->dropOnFileList({path("big")});
        m_commands->dropOnFileList({path("single.avi")});
        m_env->dialogs.fileAnswers = {{path("chosen.mkv")}};
        touch("chosen.mkv");
        m_commands->PushButton1_Click();
        QTRY_VERIFY(idle());
        QCOMPARE(files().size(), 6002);
        QCOMPARE(files().mid(6000), QStringList({path("single.avi"), path("chosen.mkv")}));
    }

    // A name that is not UTF-8 cannot be kept: it is never added as a dead entry, and the person is told once
    // which names were left out.
    void testNamesThatAreNotUtf8AreLeftOutAndNamed()
    {
        touch("names/good.mkv");
        const QByteArray folder = QFile::encodeName(path("names"));
        for (const char* name : {"/bad\xff.mkv", "/worse\xfe\xfd.avi"}) {
            const int descriptor = ::open((folder + name).constData(), O_CREAT | O_WRONLY, 0644);
            QVERIFY(descriptor >= 0);
            ::close(descriptor);
        }
        // How Qt hands such names over: the bad bytes read as U+FFFD.
        const QString bad = QFile::decodeName(folder + "/bad\xff.mkv");
        const QString worse = QFile::decodeName(folder + "/worse\xfe\xfd.avi");
        QVERIFY(bad.contains(QChar::ReplacementCharacter));

        m_commands->dropOnFileList({bad, path("names/good.mkv"), worse});
        QTRY_VERIFY(idle());
        QCOMPARE(files(), QStringList({path("names/good.mkv")}));
        QTRY_COMPARE(m_env->dialogs.messages.size(), 1);
        const QString message = m_env->dialogs.messages.first().text;
        QVERIFY2(message.contains(bad) && message.contains(worse) && !message.contains(path("names/good.mkv")),
                 qPrintable(message));

        m_env->dialogs.fileAnswers = {{bad}};
        m_commands->PushButton1_Click();
        QTRY_COMPARE(m_env->dialogs.messages.size(), 2);
        m_commands->dropOnFolderList({worse});
        QTRY_COMPARE(m_env->dialogs.messages.size(), 3);
        QTRY_VERIFY(idle());
        QCOMPARE(files(), QStringList({path("names/good.mkv")}));
        QVERIFY(folders().isEmpty());
    }

    void testSampleFiles()
    {
        touch("program/Samples/Aurora.mkv");
        touch("program/Samples/Waves.mp4");
        const QString samples = path("program/Samples");
        m_library->files().setPaths({QStringLiteral("/mine.mkv"), (samples + "/Waves.MP4")});

        m_env->dialogs.questionAnswers = {true, false};
        m_commands->PushButton5_Click();
        m_commands->PushButton5_Click();
        QCOMPARE(files().size(), 4);
        QCOMPARE(files().mid(0, 2), QStringList({"/mine.mkv", samples + "/Waves.MP4"}));
        QCOMPARE(QSet<QString>(files().begin() + 2, files().end()),
                 QSet<QString>({samples + "/Aurora.mkv", samples + "/Waves.mp4"}));
        QCOMPARE(m_env->dialogs.questions.size(), 2);
        QCOMPARE(m_env->dialogs.questions.first().text,
                 QStringLiteral("Would you like this software to open the folder where these sample files are stored "
                                "(so that you can view them before working with them)?"));
        QCOMPARE(m_env->dialogs.shownFolders, QStringList({samples}));
        QTRY_COMPARE(playable(), files());
    }

    void testMissingSamplesStillAsk()
    {
        LibraryCommands commands(*m_library, *m_env->settings, m_env->dialogs, m_env->report, path("nowhere/Samples"));
        commands.PushButton5_Click();
        QVERIFY(files().isEmpty());
        QCOMPARE(m_env->dialogs.questions.size(), 1);
    }

    void testSamplesOfAnInstalledProgram()
    {
        QDir().mkpath(path("usr/bin"));
        QDir().mkpath(path("usr/share/lumaveil/Samples"));
        QCOMPARE(ProgramFiles::samplesFolder(path("usr/bin")), path("usr/share/lumaveil/Samples"));
        QDir().mkpath(path("usr/bin/Samples"));
        QCOMPARE(ProgramFiles::samplesFolder(path("usr/bin")), path("usr/bin/Samples"));
    }

    void testHelp()
    {
        m_commands->PushButton6_Click();
        QCOMPARE(
            m_env->dialogs.texts(),
            QStringList({QStringLiteral("Most video file formats can be played with this software but not all.")}));
        QCOMPARE(m_env->dialogs.messages.first().caption, QString());
    }
};

QTEST_MAIN(TestLibraryCommands)
#include "TestLibraryCommands.moc"
