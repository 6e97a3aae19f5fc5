// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FailingStorage.h"
#include "fakes/PipeWriter.h"
#include "settings/ListText.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;

    QString storeFile() const
    {
        return m_folder->filePath(QStringLiteral("Quelmar/Lumaveil.conf"));
    }

    void writeFile(const QByteArray& text) const
    {
        QDir().mkpath(QFileInfo(storeFile()).absolutePath());
        QFile file(storeFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    static QByteArray fileBytes(const QString& name)
    {
        QFile file(name);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The value in the file, as a fresh reader finds it. QSettings keeps the files it read within the process and
    // reads one again only when its size or its time in milliseconds changed: each look is at a copy of its own.
    QString fileValue(const QString& key) const
    {
        static int copies = 0;
        const QString copy = m_folder->filePath(QStringLiteral("copy %1.conf").arg(++copies));
        QFile::copy(storeFile(), copy);
        return QSettings(copy, QSettings::IniFormat).value(key, QStringLiteral("absent")).toString();
    }

    // Whether the process has a file in the folder open; its temporary file may have no name there yet.
    static bool writesInto(qint64 pid, const QString& folder)
    {
        const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
        const QStringList entries = descriptors.entryList(QDir::Files | QDir::System);
        return std::any_of(entries.cbegin(), entries.cend(), [&](const QString& entry) {
            return QFile::symLinkTarget(descriptors.filePath(entry)).startsWith(folder + QLatin1Char('/'));
        });
    }

    // Changes with every replacement of the file: a freed inode number is often given to the next file at once.
    static std::tuple<ino_t, time_t, long> versionOf(const QString& name)
    {
        struct stat status = {};
        if (::stat(QFile::encodeName(name).constData(), &status) != 0) {
            return {};
        }
        return {status.st_ino, status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        // The user's own store, where a test makes one, is in this folder.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_folder->path()));
    }

    void testDefaultsWhileAbsent_data()
    {
        QTest::addColumn<Setting>("setting");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");
        QTest::newRow("minutes") << Setting::Text3 << "Text3"
                                 << "1";
        QTest::newRow("sound") << Setting::Check2 << "Check2"
                               << "0";
        QTest::newRow("logon") << Setting::WindowsStartup << "Windows Startup"
                               << "Off";
        QTest::newRow("tray") << Setting::Minimized << "Minimized"
                              << "Off";
        QTest::newRow("random") << Setting::Option4 << "Option4"
                                << "1";
        QTest::newRow("in order") << Setting::Option5 << "Option5"
                                  << "0";
        QTest::newRow("on/off") << Setting::StartStopState << "StartStopState"
                                << "Off";
        QTest::newRow("files") << Setting::Videos << "Videos"
                               << "";
        QTest::newRow("folders") << Setting::Listview5 << "Listview5"
                                 << "";
        QTest::newRow("extension") << Setting::Extension << "Extension"
                                   << "txt";
        QTest::newRow("last folder") << Setting::LastFolder << "LastFolder"
                                     << "";
        QTest::newRow("last folder dot") << Setting::LastFolderDot << "LastFolderDot"
                                         << "";
        QTest::newRow("interval") << Setting::SlideshowInterval << "Slideshow Interval"
                                  << "10";
        QTest::newRow("password") << Setting::Password << "Password"
                                  << "";
        QTest::newRow("prompt") << Setting::PasswordMouseMove << "Password Mouse Move"
                                << "0";
        QTest::newRow("full screen") << Setting::Option1 << "Option1"
                                     << "1";
        QTest::newRow("original") << Setting::Option2 << "Option2"
                                  << "0";
        QTest::newRow("random start") << Setting::Check1 << "Check1"
                                      << "0";
        QTest::newRow("play length") << Setting::Check4 << "Check4"
                                     << "0";
    }

    void testDefaultsWhileAbsent()
    {
        QFETCH(Setting, setting);
        QFETCH(QString, key);
        QFETCH(QString, expected);
        SettingsStore store(storeFile());
        QCOMPARE(settingKey(setting), key);
        QCOMPARE(store.ReadSetting(setting), expected);
        QCOMPARE(store.ReadSetting(key), QString());
        QVERIFY(!QFile::exists(storeFile()));
    }

    // The user's own store starts at once, whatever lies where QSettings looks for the files it falls back on: a named
    // pipe is passed over, never opened.
    void testUsersStoreStartsPastANamedPipe()
    {
        writeFile("[General]\nText3=5\n");
        const QByteArray pipe = QFile::encodeName(m_folder->filePath(QStringLiteral("Quelmar.conf")));
        QVERIFY(::mkfifo(pipe.constData(), 0600) == 0);
        QElapsedTimer clock;
        clock.start();
        std::unique_ptr<SettingsStore> store;
        {
            const PipeWriter writer(pipe);
            store = std::make_unique<SettingsStore>();
        }
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QStringLiteral("the start took %1 ms").arg(clock.elapsed())));
        QCOMPARE(store->fileName(), storeFile());
        QCOMPARE(store->ReadSetting(Setting::Text3), QStringLiteral("5"));
    }

    void testValuesSurviveANewStoreAsText()
    {
        {
            SettingsStore store(storeFile());
            store.WriteSetting(Setting::Text3, QStringLiteral("2.5"));
            store.WriteSetting(Setting::WindowsStartup, QStringLiteral("On"));
            store.WriteSetting(Setting::Password, QStringLiteral("s3cret; with, commas = and @signs"));
            store.WriteSetting(Setting::Videos, QString());
        }
        SettingsStore again(storeFile());
        QCOMPARE(again.ReadSetting(Setting::Text3), QStringLiteral("2.5"));
        QCOMPARE(again.ReadSetting(Setting::WindowsStartup), QStringLiteral("On"));
        QCOMPARE(again.ReadSetting(Setting::Password), QStringLiteral("s3cret; with, commas = and @signs"));
        // An empty text is kept as a value: the default does not come back.
        QCOMPARE(again.ReadSetting(QStringLiteral("Videos"), QStringLiteral("fallback")), QString());
    }

    // A showing's store: the values handed to it, and what is written to it, are read back; no file comes of them.
    void testStoreInMemoryWritesNoFile()
    {
        const std::unique_ptr<SettingsStore> store =
            SettingsStore::inMemory({{QStringLiteral("Password Mouse Move"), QStringLiteral("1")}});
        QCOMPARE(store->ReadSetting(Setting::PasswordMouseMove), QStringLiteral("1"));
        QCOMPARE(store->ReadSetting(Setting::Text3), settingDefault(Setting::Text3));
        store->WriteSetting(Setting::Password, QStringLiteral("hash"));
        QCOMPARE(store->ReadSetting(Setting::Password), QStringLiteral("hash"));
        QTest::qWait(300);
        QCOMPARE(store->saveNow(), QString());
        QVERIFY(store->unsavedKeys().isEmpty());
        QVERIFY(QDir(m_folder->path()).isEmpty());
    }

    void testStoreFileIsPrivate()
    {
        SettingsStore store(storeFile());
        store.WriteSetting(Setting::Password, QStringLiteral("x"));
        store.WriteSetting(Setting::Password, QStringLiteral("y"));
        QTRY_COMPARE(fileValue(QStringLiteral("Password")), QStringLiteral("y"));
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const auto othersAndGroup =
            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
        QVERIFY(QFile(storeFile()).permissions() & ownerOnly);
        QCOMPARE(QFile(storeFile()).permissions() & othersAndGroup, QFileDevice::Permissions());
    }

    void testReadableStoreIsClosedToOthersOnFirstWrite()
    {
        writeFile("[General]\nPassword=old\n");
        QFile::setPermissions(storeFile(),
                              QFile::permissions(storeFile()) | QFileDevice::ReadOther | QFileDevice::ReadGroup);

        SettingsStore store(storeFile());
        QCOMPARE(store.ReadSetting(Setting::Password), QStringLiteral("old"));
        store.WriteSetting(Setting::Password, QStringLiteral("new"));
        QTRY_COMPARE(fileValue(QStringLiteral("Password")), QStringLiteral("new"));
        QCOMPARE(QFile(storeFile()).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    void testHandEditedListWithCommaReadsAsText()
    {
        writeFile("[General]\nVideos=/a/x.mkv, /b/y.mkv\n");
        SettingsStore store(storeFile());
        QCOMPARE(store.ReadSetting(Setting::Videos), QStringLiteral("/a/x.mkv, /b/y.mkv"));
    }

    // Lists without a ";" in a name keep the stored form they always had, so that older files read as before; a ";"
    // within a name is stored as U+0000.
    void testListTextRoundTrip()
    {
        const QStringList plain{QStringLiteral("/v/a.mkv"), QStringLiteral("/v/b, c.mkv"), QString()};
        QCOMPARE(ListText::join(plain), QStringLiteral("/v/a.mkv;/v/b, c.mkv;"));
        QCOMPARE(ListText::splitFileList(QStringLiteral("/v/a.mkv;/v/b, c.mkv;")),
                 QStringList({QStringLiteral("/v/a.mkv"), QStringLiteral("/v/b, c.mkv")}));

        const QStringList files{QStringLiteral("/v/a.mkv"), QStringLiteral("/v/b;c.mkv"), QStringLiteral(";")};
        const QString text = ListText::join(files);
        QCOMPARE(text, QStringLiteral(u"/v/a.mkv;/v/b\0c.mkv;\0"));
        QCOMPARE(ListText::splitFileList(text), files);
        QCOMPARE(ListText::splitFolderList(text), files);

        QCOMPARE(ListText::join({}), QString());
        QVERIFY(ListText::splitFileList(QString()).isEmpty());
        QVERIFY(ListText::splitFolderList(QString()).isEmpty());
    }

    // Every name a person can add comes back whole at the next start, through the file.
    void testNamesSurviveTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("semicolon") << QStringLiteral("/v/part 1; the start.mkv");
        QTest::newRow("semicolon before a hex digit") << QStringLiteral("/v/a;1f;b.mkv");
        QTest::newRow("semicolons only") << QStringLiteral(";;");
        QTest::newRow("semicolon at the ends") << QStringLiteral(";/v/x.mkv;");
        QTest::newRow("comma") << QStringLiteral("/v/one, two.mkv");
        QTest::newRow("equals") << QStringLiteral("/v/a=b.mkv");
        QTest::newRow("quotes") << QStringLiteral("/v/\"quoted\" and 'single'.mkv");
        QTest::newRow("hash") << QStringLiteral("#/v/#1.mkv");
        QTest::newRow("leading blank") << QStringLiteral(" /v/blank .mkv ");
        QTest::newRow("line breaks") << QStringLiteral("/v/line\nbreak\r\nand\rmore.mkv");
        QTest::newRow("backslash") << QStringLiteral("/v/back\\slash;\\x41.mkv");
        QTest::newRow("at sign") << QStringLiteral("@/v/at.mkv");
        QTest::newRow("not ASCII") << QStringLiteral("/v/Übung; 日本語 😀.mkv");
        QTest::newRow("250 characters") << QStringLiteral("/v/") + QString(243, u'x') + QStringLiteral(";.mkv");
    }

    void testNamesSurviveTheFile()
    {
        QFETCH(QString, name);
        const QStringList files{QStringLiteral("/v/first.mkv"), name, QStringLiteral("/v/last.mkv")};
        const QStringList folders{name, QStringLiteral("/films/")};
        {
            SettingsStore store(storeFile());
            store.WriteSetting(Setting::Videos, ListText::join(files));
            store.WriteSetting(Setting::Listview5, ListText::join(folders));
        }
        SettingsStore again(storeFile());
        QCOMPARE(ListText::splitFileList(again.ReadSetting(Setting::Videos)), files);
        QCOMPARE(ListText::splitFolderList(again.ReadSetting(Setting::Listview5)), folders);
    }

    // The file is the one QSettings writes for the same values: it reads them back exactly, and a file that
    // QSettings wrote reads into the store as before.
    void testFileIsTheOneQSettingsWrites_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("key with spaces") << "Windows Startup"
                                         << "On";
        QTest::newRow("empty") << "Slideshow Interval"
                               << "";
        QTest::newRow("blanks at the ends") << "Password Mouse Move"
                                            << "  both ends ";
        QTest::newRow("not ASCII") << "Password" << QStringLiteral("pässwörd 日本語 😀");
        QTest::newRow("control characters") << "Text3"
                                            << QStringLiteral(u"\x01\x1f"
                                                              "1\t\n\r\x7f\a\b\f\v"
                                                              "end\x02"
                                                              "A");
        QTest::newRow("at sign") << "Extension"
                                 << "@at the start";
        QTest::newRow("two at signs") << "LastFolder"
                                      << "@@two";
        QTest::newRow("looks like a variant") << "LastFolderDot"
                                              << "@Variant(\\0\\0)";
        QTest::newRow("looks like a string") << "Check1"
                                             << "@String(x)";
        QTest::newRow("commas") << "Check2"
                                << "a, b,c";
        QTest::newRow("quotes") << "Check4"
                                << "\"quoted\" and 'single' \"";
        QTest::newRow("backslashes") << "Option1"
                                     << "back\\slash \\x41 \\0 end\\";
        QTest::newRow("semicolon equals hash") << "Option2"
                                               << "a;b=c #d";
        QTest::newRow("U+0000 before hex digits") << "Videos"
                                                  << QStringLiteral(u"/v/a\0"
                                                                    "1f\0"
                                                                    "Z;\0");
        QTest::newRow("odd key") << "odd key=#;%\\"
                                 << "v";
        QTest::newRow("key beyond Latin-1") << QStringLiteral("ключ 😀") << "v";
        QTest::newRow("key in a section") << "group/inner key"
                                          << "in a section";
        QTest::newRow("section named General") << "General/x"
                                               << "y";
    }

    void testFileIsTheOneQSettingsWrites()
    {
        QFETCH(QString, key);
        QFETCH(QString, value);
        const QString other = m_folder->filePath(QStringLiteral("written by QSettings.conf"));
        {
            SettingsStore store(storeFile());
            store.WriteSetting(key, value);
            store.WriteSetting(QStringLiteral("Minimized"), QStringLiteral("On"));
        }
        {
            QSettings writer(other, QSettings::IniFormat);
            writer.setValue(key, value);
            writer.setValue(QStringLiteral("Minimized"), QStringLiteral("On"));
        }

        QSettings reader(storeFile(), QSettings::IniFormat);
        QCOMPARE(reader.status(), QSettings::NoError);
        QCOMPARE(reader.allKeys().size(), 2);
        QCOMPARE(reader.value(key).typeId(), QMetaType::QString);
        QCOMPARE(reader.value(key).toString(), value);
        QCOMPARE(fileBytes(storeFile()), fileBytes(other));

        const SettingsStore fromQSettings(other);
        QCOMPARE(fromQSettings.ReadSetting(key, QStringLiteral("absent")), value);
    }

    // A file that QSettings reads only in part is read as far as it goes and written whole; the write is no
    // failure.
    void testFileThatFailedToParseIsWritten()
    {
        writeFile("[General\nText3=2\n");
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
        {
            SettingsStore store(storeFile());
            QCOMPARE(store.ReadSetting(Setting::Text3), QStringLiteral("2"));
            store.WriteSetting(Setting::Check2, QStringLiteral("1"));
        }
        QSettings reader(storeFile(), QSettings::IniFormat);
        QCOMPARE(reader.status(), QSettings::NoError);
        QCOMPARE(reader.value(QStringLiteral("Text3")).toString(), QStringLiteral("2"));
        QCOMPARE(reader.value(QStringLiteral("Check2")).toString(), QStringLiteral("1"));
    }

    // Reordering a long list changes it many times a second; the file is replaced at most about ten times a second,
    // not for every change, and soon holds the last one. Readers get every change at once.
    void testChangesInABurstAreSavedTogether()
    {
        QStringList paths;
        for (int i = 0; i < 20000; ++i) {
            paths.append(QStringLiteral("/home/someone/Videos/collection %1/clip %2.mkv").arg(i / 100).arg(i));
        }
        SettingsStore store(storeFile());
        store.WriteSetting(Setting::Videos, ListText::join(paths));
        QTRY_COMPARE(fileValue(QStringLiteral("Videos")), ListText::join(paths));

        int replaced = 0;
        auto file = versionOf(storeFile());
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 100; ++i) {
            paths.swapItemsAt(i, i + 1);
            const QString text = ListText::join(paths);
            store.WriteSetting(Setting::Videos, text);
            QCOMPARE(store.ReadSetting(Setting::Videos), text);
            QCoreApplication::processEvents();
            if (const auto now = versionOf(storeFile()); now != file) {
                ++replaced;
                file = now;
            }
        }
        const qint64 allowed = clock.elapsed() / 100 + 2;
        QVERIFY2(replaced <= allowed,
                 qPrintable(QStringLiteral("replaced %1 times in %2 ms").arg(replaced).arg(clock.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(fileValue(QStringLiteral("Videos")), ListText::join(paths), 5000);
    }

    // Killed while it saves, a program leaves the previous file whole, and loses no more than the last quarter second.
    void testKilledWhileSavingLeavesAWholeFile()
    {
        constexpr int entries = 30000;
        for (int round = 0; round < 3; ++round) {
            QTemporaryDir folder;
            const QString file = folder.filePath(QStringLiteral("Lumaveil.conf"));
            QProcess editor;
            editor.start(QStringLiteral(LUMAVEIL_SETTINGS_EDITOR), {file, QString::number(entries)});
            QVERIFY(editor.waitForStarted());

            // Once a first file is there, the kill comes as soon as a later save has a file in the folder open.
            QElapsedTimer clock;
            clock.start();
            QHash<int, qint64> changedAt;
            int lastChange = 0;
            bool duringSave = false;
            while (clock.elapsed() < 20000 && !duringSave) {
                editor.waitForReadyRead(1);
                while (editor.canReadLine()) {
                    lastChange = editor.readLine().trimmed().toInt();
                    changedAt.insert(lastChange, clock.elapsed());
                }
                duringSave = QFile::exists(file) && writesInto(editor.processId(), folder.path());
            }
            editor.kill();
            const qint64 killedAt = clock.elapsed();
            QVERIFY(editor.waitForFinished(10000));
            QVERIFY2(duringSave, "no save was seen under way");
            for (const QByteArray& line : editor.readAll().split('\n')) {
                if (!line.isEmpty()) {
                    lastChange = line.toInt();
                    changedAt.insert(lastChange, killedAt);
                }
            }

            QSettings reader(file, QSettings::IniFormat);
            QCOMPARE(reader.status(), QSettings::NoError);
            const int saved = reader.value(QStringLiteral("Text3")).toString().toInt();
            // A change may be saved before its number is printed.
            QVERIFY(saved >= 1 && saved <= lastChange + 1);
            const QStringList paths = ListText::splitFileList(reader.value(QStringLiteral("Videos")).toString());
            QCOMPARE(paths.size(), entries);
            const QString mark = QStringLiteral("/videos/change %1; entry ").arg(saved);
            for (const QString& path : paths) {
                QVERIFY2(path.startsWith(mark) && path.endsWith(QLatin1String(".mkv")), qPrintable(path));
            }
            QCOMPARE(QFile(file).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                     QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            if (changedAt.contains(saved + 1)) {
                const qint64 lostFor = killedAt - changedAt.value(saved + 1);
                QVERIFY2(lostFor <= 250, qPrintable(QStringLiteral("changes of the last %1 ms lost").arg(lostFor)));
            }
        }
    }

    // Edits of the file made by hand while the program runs stay, where the program did not change the same key
    // meanwhile; where it did, its value wins. A key deleted by hand stays deleted unless the program changes it.
    void testHandEditsWhileRunning_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("before"); // null: absent
        QTest::addColumn<QString>("byHand"); // null: deleted
        QTest::addColumn<QString>("here");   // null: not written
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("timeKept");
        const QString none;
        // Size and time as the program wrote it, as a copy that keeps the times may leave it.
        QTest::newRow("edited by hand, time kept") << "Check4"
                                                   << "5"
                                                   << "7" << none << "7" << true;
        QTest::newRow("added by hand") << "Extension" << none << "mkv" << none << "mkv" << false;
        QTest::newRow("deleted by hand") << "Minimized"
                                         << "On" << none << none << "absent" << false;
        QTest::newRow("edited by hand and here") << "Password"
                                                 << "a"
                                                 << "by hand"
                                                 << "here"
                                                 << "here" << false;
        QTest::newRow("deleted by hand, changed here") << "Check1"
                                                       << "1" << none << "0"
                                                       << "0" << false;
    }

    void testHandEditsWhileRunning()
    {
        QFETCH(QString, key);
        QFETCH(QString, before);
        QFETCH(QString, byHand);
        QFETCH(QString, here);
        QFETCH(QString, expected);
        QFETCH(bool, timeKept);
        const auto fileWith = [&key](const QString& value, const QByteArray& sound) {
            QByteArray text = "[General]\nCheck2=" + sound + "\nVideos=/v/a.mkv\n";
            return value.isNull() ? text : text + key.toUtf8() + '=' + value.toUtf8() + '\n';
        };
        writeFile(fileWith(before, "0"));
        SettingsStore store(storeFile());
        // The program has written the file once before the person edits it.
        store.WriteSetting(Setting::Check2, QStringLiteral("1"));
        QTRY_COMPARE(fileValue(QStringLiteral("Check2")), QStringLiteral("1"));

        struct stat written = {};
        QVERIFY(::stat(QFile::encodeName(storeFile()).constData(), &written) == 0);
        writeFile(fileWith(byHand, "1"));
        if (timeKept) {
            const timespec times[2] = {written.st_atim, written.st_mtim};
            QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(storeFile()).constData(), times, 0) == 0);
        }
        if (!here.isNull()) {
            store.WriteSetting(key, here);
        }
        store.WriteSetting(Setting::Videos, QStringLiteral("/v/b.mkv"));
        QTRY_COMPARE(fileValue(QStringLiteral("Videos")), QStringLiteral("/v/b.mkv"));
        QCOMPARE(fileValue(key), expected);
        QCOMPARE(fileValue(QStringLiteral("Check2")), QStringLiteral("1"));
        QTRY_VERIFY(store.unsavedKeys().isEmpty());
    }

    // When the file cannot be written, only what really differs from what the file holds is lost: a value equal to
    // the file's, or to the text a reader gets where the file lacks the key, is not named.
    void testUnsavedKeysNameWhatDiffersFromTheFile_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("writes");
        QTest::addColumn<bool>("lost");
        QTest::newRow("back to the file's value") << "Check2" << QStringList{"0", "1"} << false;
        QTest::newRow("back to the default") << "Text3" << QStringList{"5", "1"} << false;
        QTest::newRow("empty list where the file has one") << "Videos" << QStringList{QString()} << true;
    }

    void testUnsavedKeysNameWhatDiffersFromTheFile()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, writes);
        QFETCH(bool, lost);
        FailingStorage storage(QFileInfo(storeFile()).absolutePath());
        writeFile("[General]\nCheck2=1\nVideos=/v/a.mkv\n");
        SettingsStore store(storeFile());
        const QString reason = storage.makeFolderReadOnly();
        if (reason.isEmpty()) {
            QSKIP(qPrintable(storage.why()));
        }
        for (const QString& value : writes) {
            store.WriteSetting(key, value);
        }
        QCOMPARE(store.saveNow(), lost ? reason : QString());
        QCOMPARE(store.unsavedKeys(), lost ? QStringList{key} : QStringList());
        storage.repair();
    }

    void testBlankElementsOfTheTwoLists()
    {
        const QString text = QStringLiteral("   ; /v/ ;;/w/");
        QCOMPARE(ListText::splitFolderList(text), QStringList({QStringLiteral(" /v/ "), QStringLiteral("/w/")}));
        QCOMPARE(ListText::splitFileList(text),
                 QStringList({QStringLiteral("   "), QStringLiteral(" /v/ "), QStringLiteral("/w/")}));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
