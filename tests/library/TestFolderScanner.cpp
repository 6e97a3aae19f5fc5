// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FolderScanner.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <filesystem>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace FolderScanner;

namespace {

void touch(const QString& path)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
}

void makeFolder(const QString& path)
{
    QVERIFY2(QDir().mkpath(path), qPrintable(path));
}

// Names made of raw bytes, for names that are no UTF-8.
void makeFolderBytes(const QByteArray& path)
{
    QVERIFY(::mkdir(path.constData(), 0755) == 0);
}

void touchBytes(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    QVERIFY(fd >= 0);
    ::close(fd);
}

// Names in the order a file manager shows them, by the collation of a fixed locale with numbers by value. It agrees
// with the walk's own order on the plain names the tests make.
QStringList inNameOrder(QStringList names)
{
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), collator);
    return names;
}

/**
 * The playable part of one folder tree as a plain reading of the rules gives it: the folder, then each level of
 * subfolders in name order, and within each folder one listing per extension in the extension list's order.
 */
QStringList referencePlayable(const QString& root)
{
    QStringList folders{root};
    for (qsizetype at = 0; at < folders.size(); ++at) {
        const QDir folder(folders[at]);
        for (const QString& name : inNameOrder(folder.entryList(
                 QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDir::Unsorted))) {
            folders.append(folder.filePath(name));
        }
    }
    QStringList playable;
    for (const QString& path : folders) {
        const QDir folder(path);
        for (const QString& extension : videoExtensions()) {
            for (const QString& name : inNameOrder(folder.entryList(
                     {QStringLiteral("*.") + extension}, QDir::Files | QDir::Hidden | QDir::System, QDir::Unsorted))) {
                if (!name.startsWith(u'~') && !name.startsWith(u'.')) {
                    playable.append(folder.filePath(name));
                }
            }
        }
    }
    return playable;
}

// The tests may run as root, whom permissions do not stop: drop the power to override them for this process.
void dropPermissionOverride()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return;
    }
    data[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    ::syscall(SYS_capset, &header, data);
}

} // namespace

class TestFolderScanner : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& relative = {}) const
    {
        return relative.isEmpty() ? m_dir->path() : m_dir->filePath(relative);
    }

private slots:
    void initTestCase()
    {
        dropPermissionOverride();
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
    }

    // Some tests make names that are no UTF-8, which Qt cannot remove; the standard library works on raw bytes.
    void cleanup()
    {
        std::error_code ignored;
        std::filesystem::remove_all(std::filesystem::path(QFile::encodeName(path()).toStdString()), ignored);
        m_dir.reset();
    }

    void testNormalizePath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "/films/a.mkv"
                               << "/films/a.mkv";
        QTest::newRow("doubled in two places") << "/films//sub//a.mkv"
                                               << "/films/sub/a.mkv";
        QTest::newRow("three become two") << "/a///b"
                                          << "/a//b";
        QTest::newRow("four become two") << "/a////b"
                                         << "/a//b";
        QTest::newRow("root joined with a name") << "//a.mkv"
                                                 << "/a.mkv";
        QTest::newRow("root alone") << "//"
                                    << "/";
        QTest::newRow("empty") << ""
                               << "";
    }

    void testNormalizePath()
    {
        QFETCH(QString, path);
        QFETCH(QString, expected);
        QCOMPARE(NormalizePath(path), expected);
    }

    void testPathTests()
    {
        makeFolder(path("folder"));
        touch(path("file.mkv"));
        QVERIFY(::mkfifo(QFile::encodeName(path("pipe.mkv")).constData(), 0644) == 0);
        QVERIFY(QFile::link(path("folder"), path("link")));
        QVERIFY(IsFolderPath(path("folder")));
        QVERIFY(IsFolderPath(path("folder/")));
        QVERIFY(IsFolderPath(path("link")));
        QVERIFY(!IsFolderPath(path("file.mkv")));
        QVERIFY(!IsFolderPath(path("missing")));
        QVERIFY(!IsFolderPath(QString()));
        QVERIFY(FileIsPresent(path("file.mkv")));
        QVERIFY(!FileIsPresent(path("folder")));
        QVERIFY(!FileIsPresent(path("pipe.mkv")));
        QVERIFY(!FileIsPresent(path("missing.mkv")));
    }

    void testUnusableCharacters()
    {
        QVERIFY(!HasUnusableCharacter(QStringLiteral("Films 2024 — été")));
        QVERIFY(HasUnusableCharacter(QStringLiteral("what?")));
        QVERIFY(HasUnusableCharacter(QStringLiteral("tab\there")));
        QVERIFY(HasUnusableCharacter(QString(QChar(0x7F))));
        QVERIFY(HasUnusableCharacter(QStringLiteral("next") + QChar(0x85) + QStringLiteral("line")));
        QVERIFY(!HasUnusableCharacter(QString(QChar(0xA0))));
    }

    void testPatternMatch_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("matches");
        QTest::newRow("extension") << "clip.mkv"
                                   << "*.mkv" << true;
        QTest::newRow("letter case") << "CLIP.MkV"
                                     << "*.mkv" << true;
        QTest::newRow("longer extension") << "clip.mkv.part"
                                          << "*.mkv" << false;
        QTest::newRow("other extension") << "clip.mkvx"
                                         << "*.mkv" << false;
        QTest::newRow("all with dot") << "a.b"
                                      << "*.*" << true;
        QTest::newRow("all without dot") << "README"
                                         << "*.*" << true;
        QTest::newRow("question mark") << "a1.txt"
                                       << "a?.txt" << true;
        QTest::newRow("star in the middle") << "holiday-2024.mp4"
                                            << "hol*24.*" << true;
        QTest::newRow("no match") << "notes.txt"
                                  << "*.doc" << false;
        QTest::newRow("non-ASCII letter case") << "ÉTÉ.MKV"
                                               << "été.mkv" << true;
    }

    void testPatternMatch()
    {
        QFETCH(QString, name);
        QFETCH(QString, pattern);
        QFETCH(bool, matches);
        QCOMPARE(matchesPattern(name, pattern), matches);
    }

    void testOneFolderInExtensionOrder()
    {
        for (const char* name : {"a.avi",
                                 "b.mkv",
                                 "c.MKV",
                                 "d.mp4",
                                 "e.mpeg",
                                 "f.mpg",
                                 "g.m4v",
                                 "h.webm",
                                 "~tmp.mkv",
                                 ".hidden.mkv",
                                 "movie.txt",
                                 "x.mkv.part"}) {
            touch(path(QString::fromLatin1(name)));
        }
        const QStringList playable = playableList({}, {path()}, nullptr);
        QCOMPARE(playable, referencePlayable(path()));
        // The two mkv files come first, then the others by the extension list, the newer containers last.
        QCOMPARE(playable,
                 QStringList({path("b.mkv"),
                              path("c.MKV"),
                              path("a.avi"),
                              path("f.mpg"),
                              path("e.mpeg"),
                              path("d.mp4"),
                              path("h.webm"),
                              path("g.m4v")}));
    }

    void testNameOrderWithinEachFolder()
    {
        // Made in an order of their own, so that no file system's listing order can pass for name order.
        const QStringList made{"ep10.mkv", "ep02.avi", "Ep3.mkv", "ep1.mkv", "ep2.mkv", "ep11.avi", "EP9.mkv"};
        for (const QString& name : made) {
            touch(path(name));
        }
        for (const char* folder : {"Season 10", "season 1", "Season 2", "Extras"}) {
            makeFolder(path(QString::fromLatin1(folder)));
            touch(path(QString::fromLatin1(folder) + "/clip.mkv"));
        }
        QCOMPARE(playableList({}, {path()}, nullptr),
                 QStringList({path("ep1.mkv"),
                              path("ep2.mkv"),
                              path("Ep3.mkv"),
                              path("EP9.mkv"),
                              path("ep10.mkv"),
                              path("ep02.avi"),
                              path("ep11.avi"),
                              path("Extras/clip.mkv"),
                              path("season 1/clip.mkv"),
                              path("Season 2/clip.mkv"),
                              path("Season 10/clip.mkv")}));
        QStringList workList{path() + "/"};
        GetSubDirectories2016(workList, false, nullptr);
        QCOMPARE(workList.mid(1),
                 QStringList({path("Extras/"), path("season 1/"), path("Season 2/"), path("Season 10/")}));
        QCOMPARE(filesBelow(path(), QStringLiteral("ep1*"), nullptr).mid(0, 3),
                 QStringList({path("ep1.mkv"), path("ep10.mkv"), path("ep11.avi")}));
    }

    void testFilesComeBeforeFoldersAndEntriesAreKept()
    {
        touch(path("in.mkv"));
        const QStringList files{QStringLiteral("/gone/old.mkv"), QStringLiteral("/any/notes.txt"), path("in.mkv")};
        const QStringList playable =
            playableList(files, {path(), QStringLiteral("/no/such/folder"), QString(), path()}, nullptr);
        // File entries stay as they are; a folder listed twice gives its files twice; a missing one gives nothing.
        QCOMPARE(playable, files + QStringList({path("in.mkv"), path("in.mkv")}));
    }

    void testTreeLevelByLevel()
    {
        // A random tree with names in every letter case, hidden folders and files, and names to skip.
        QRandomGenerator random(42);
        QStringList folders{path()};
        for (int i = 0; i < 40; ++i) {
            const QString parent = folders[random.bounded(static_cast<int>(folders.size()))];
            const QString folder =
                parent + (i % 9 == 0 ? QStringLiteral("/.hidden%1") : QStringLiteral("/sub%1")).arg(i);
            makeFolder(folder);
            folders.append(folder);
        }
        const QStringList extensions{"mkv", "AVI", "Mp4", "ogg", "txt", "mpeg", "jpg", "mov", "wmv", "flv", "mpg"};
        for (int i = 0; i < 300; ++i) {
            const QString folder = folders[random.bounded(static_cast<int>(folders.size()))];
            const QString prefix = i % 25 == 0 ? QStringLiteral("~") : i % 31 == 0 ? QStringLiteral(".") : QString();
            touch(QStringLiteral("%1/%2f%3.%4")
                      .arg(folder, prefix)
                      .arg(i)
                      .arg(extensions[random.bounded(static_cast<int>(extensions.size()))]));
        }
        QCOMPARE(playableList({}, {path()}, nullptr), referencePlayable(path()));
        QCOMPARE(playableList({}, {path() + "/"}, nullptr), referencePlayable(path()));

        QStringList workList{path() + "/"};
        GetSubDirectories2016(workList, true, nullptr);
        QCOMPARE(workList.size(), folders.size());
        QCOMPARE(workList.first(), path() + "/");
        // Level by level: no folder comes before its parent, and each level's depth is at least the previous one's.
        qsizetype lastDepth = 0;
        for (const QString& folder : workList) {
            QVERIFY(folder.endsWith(u'/'));
            const qsizetype depth = folder.count(u'/');
            QVERIFY(depth >= lastDepth);
            lastDepth = depth;
        }
    }

    void testWideTreeReadOnSeveralThreads()
    {
        // Enough folders on one level that the walk shares them out between readers.
        for (int i = 0; i < 150; ++i) {
            const QString folder = path(QStringLiteral("wide%1/deep%2").arg(i).arg(i % 7));
            makeFolder(folder);
            touch(folder + QStringLiteral("/v%1.mkv").arg(i));
            touch(path(QStringLiteral("wide%1/w%1.avi").arg(i)));
        }
        QVERIFY(QFile::link(path(), path("wide3/deep3/back")));
        QCOMPARE(playableList({}, {path()}, nullptr), referencePlayable(path()));
    }

    void testNamesTheWalkRefuses()
    {
        makeFolder(path("good"));
        touch(path("good/a.mkv"));
        makeFolderBytes(QFile::encodeName(path()) + "/bad\x01name");
        makeFolderBytes(QFile::encodeName(path()) + "/what?");
        makeFolderBytes(QFile::encodeName(path()) + "/c1\xc2\x85name");
        makeFolderBytes(QFile::encodeName(path()) + "/latin1\xe9t\xe9");
        for (const QByteArray& folder : {QByteArray("bad\x01name"),
                                         QByteArray("what?"),
                                         QByteArray("c1\xc2\x85name"),
                                         QByteArray("latin1\xe9t\xe9")}) {
            touchBytes(QFile::encodeName(path()) + "/" + folder + "/inside.mkv");
            makeFolderBytes(QFile::encodeName(path()) + "/" + folder + "/deeper");
        }
        // A file whose name is no UTF-8 cannot be named in the list either.
        touchBytes(QFile::encodeName(path()) + "/odd\xff.mkv");

        QCOMPARE(playableList({}, {path()}, nullptr), QStringList({path("good/a.mkv")}));
        QStringList workList{path() + "/"};
        GetSubDirectories2016(workList, true, nullptr);
        QCOMPARE(workList, QStringList({path() + "/", path() + "/good/"}));
    }

    void testUnreadableAndVanishedFolders()
    {
        makeFolder(path("open/inner"));
        touch(path("open/inner/a.mkv"));
        makeFolder(path("closed/inner"));
        touch(path("closed/b.mkv"));
        touch(path("closed/inner/c.mkv"));
        QVERIFY(::chmod(QFile::encodeName(path("closed")).constData(), 0) == 0);

        const QStringList playable = playableList({}, {path()}, nullptr);
        ::chmod(QFile::encodeName(path("closed")).constData(), 0755);
        QCOMPARE(playable, QStringList({path("open/inner/a.mkv")}));

        // A starting folder that cannot be listed leaves the work list; one that is no folder stays.
        QVERIFY(::chmod(QFile::encodeName(path("closed")).constData(), 0) == 0);
        QStringList workList{path("closed/"), path("nothing/"), path("open/")};
        GetSubDirectories2016(workList, true, nullptr);
        ::chmod(QFile::encodeName(path("closed")).constData(), 0755);
        QCOMPARE(workList, QStringList({path("nothing/"), path("open/"), path("open/") + "inner/"}));
    }

    void testLinkLoopsEndAndNothingComesTwice()
    {
        makeFolder(path("a/b/c"));
        makeFolder(path("shared"));
        touch(path("a/b/c/deep.mkv"));
        touch(path("shared/s.mkv"));
        QVERIFY(QFile::link(path(), path("a/b/c/up")));
        QVERIFY(QFile::link(path("a"), path("a/b/loop")));
        QVERIFY(QFile::link(path("shared"), path("a/to-shared")));
        QVERIFY(QFile::link(path("missing"), path("a/broken")));

        const QStringList playable = playableList({}, {path()}, nullptr);
        QCOMPARE(playable.size(), 2);
        QCOMPARE(QSet<QString>(playable.begin(), playable.end()).size(), 2);
        QVERIFY(playable.contains(path("a/b/c/deep.mkv")));

        QStringList workList{path() + "/"};
        GetSubDirectories2016(workList, true, nullptr);
        // Root, a, shared (met once, at the first level it appears), b, c: the links back are left out.
        QCOMPARE(workList.size(), 5);
        QVERIFY(!workList.join(u'|').contains(QStringLiteral("/up/")));
        QVERIFY(!workList.join(u'|').contains(QStringLiteral("/loop/")));
    }

    void testPipeNamedLikeAVideoDoesNotBlock()
    {
        QVERIFY(::mkfifo(QFile::encodeName(path("x.mkv")).constData(), 0644) == 0);
        makeFolder(path("pipes"));
        QVERIFY(::mkfifo(QFile::encodeName(path("pipes/y.avi")).constData(), 0644) == 0);
        touch(path("pipes/real.avi"));
        QCOMPARE(playableList({}, {path()}, nullptr), QStringList({path("pipes/real.avi")}));
        QCOMPARE(filesBelow(path(), QStringLiteral("*.*"), nullptr), QStringList({path("pipes/real.avi")}));
    }

    void testPseudoFileSystemsAreLeftOut()
    {
        if (!QFileInfo(QStringLiteral("/proc/self")).exists()) {
            QSKIP("no /proc here");
        }
        makeFolder(path("mine"));
        QVERIFY(QFile::link(QStringLiteral("/proc"), path("mine/kernel")));
        QStringList workList{path() + "/"};
        GetSubDirectories2016(workList, true, nullptr);
        QCOMPARE(workList, QStringList({path() + "/", path() + "/mine/"}));

        // A starting folder on one stays, but is not expanded.
        QStringList proc{QStringLiteral("/proc/")};
        GetSubDirectories2016(proc, true, nullptr);
        QCOMPARE(proc, QStringList({QStringLiteral("/proc/")}));
    }

    void testListFilesByPattern()
    {
        for (int i = 0; i < 151; ++i) {
            touch(path(QStringLiteral("clip%1.%2").arg(i).arg(i % 2 ? "MKV" : "mkv")));
        }
        touch(path("README"));
        touch(path("~lock.mkv"));
        makeFolder(path("folder.mkv"));
        QVERIFY(::mkfifo(QFile::encodeName(path("fifo.mkv")).constData(), 0644) == 0);

        const QStringList matches = ListFilesByPattern(path(), QStringLiteral("*.mkv"));
        QCOMPARE(matches.size(), 152);
        QVERIFY(matches.contains(QStringLiteral("~lock.mkv")));
        QVERIFY(!matches.contains(QStringLiteral("folder.mkv")));
        QCOMPARE(ListFilesByPattern(path() + "/", QStringLiteral("*.mkv")), matches);
        QCOMPARE(ListFilesByPattern(path(), QStringLiteral("*.*")).size(), 153);
        QVERIFY(ListFilesByPattern(path(), QStringLiteral("*.doc")).isEmpty());
        QVERIFY(ListFilesByPattern(path("missing"), QStringLiteral("*.*")).isEmpty());
    }

    void testFilesBelowWithAPattern()
    {
        makeFolder(path("sub/deeper"));
        touch(path("top.txt"));
        touch(path("sub/notes.TXT"));
        touch(path("sub/deeper/clip.mkv"));
        touch(path("sub/deeper/~draft.txt"));
        touch(path("sub/.secret.txt"));
        touch(path("sub/deeper/noext"));

        QCOMPARE(filesBelow(path(), QStringLiteral("*.txt"), nullptr),
                 QStringList({path("top.txt"), path("sub/notes.TXT")}));
        const QStringList all = filesBelow(path(), QStringLiteral("*.*"), nullptr);
        QCOMPARE(QSet<QString>(all.begin(), all.end()),
                 QSet<QString>(
                     {path("top.txt"), path("sub/notes.TXT"), path("sub/deeper/clip.mkv"), path("sub/deeper/noext")}));
    }

    void testStartingSlashesGiveSinglePaths()
    {
        // A folder entry that ends in "/" (as the root "/" does, once the walk adds its own) gives single slashes.
        makeFolder(path("sub"));
        touch(path("sub/a.mkv"));
        touch(path("b.txt"));
        QCOMPARE(filesBelow(path() + "/", QStringLiteral("*.*"), nullptr),
                 QStringList({path("b.txt"), path("sub/a.mkv")}));
        QCOMPARE(playableList({}, {path() + "/"}, nullptr), QStringList({path("sub/a.mkv")}));
        QStringList workList{path() + "/"};
        GetSubDirectories2016(workList, true, nullptr);
        QCOMPARE(workList, QStringList({path() + "/", path("sub/")}));
    }

    void testNonRecursiveExpansionAddsOneLevel()
    {
        makeFolder(path("one/two"));
        QStringList workList{path() + "/"};
        GetSubDirectories2016(workList, false, nullptr);
        QCOMPARE(workList, QStringList({path() + "/", path() + "/one/"}));
    }

    void testStopEndsTheWalk()
    {
        makeFolder(path("sub"));
        touch(path("sub/a.mkv"));
        StopFlag stop{true};
        // The file entries stay; no folder is read once the walk is told to stop.
        QCOMPARE(playableList({QStringLiteral("/f.mkv")}, {path(), path()}, &stop), QStringList({"/f.mkv"}));
        QCOMPARE(filesBelow(path(), QStringLiteral("*.*"), &stop), QStringList());
        QStringList workList{path() + "/"};
        GetSubDirectories2016(workList, true, &stop);
        QCOMPARE(workList, QStringList({path() + "/"}));
    }
};

QTEST_GUILESS_MAIN(TestFolderScanner)
#include "TestFolderScanner.moc"
