// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ListText.h"
#include "settings/SettingsStore.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestSettingsStore : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_folder;

    QString storeFile() const
    {
        return m_folder->filePath(QStringLiteral("Quelmar/Lumaveil.conf"));
    }

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
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

    void testStoreFileIsPrivate()
    {
        SettingsStore store(storeFile());
        store.WriteSetting(Setting::Password, QStringLiteral("x"));
        store.WriteSetting(Setting::Password, QStringLiteral("y"));
        const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const auto othersAndGroup =
            QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
        QVERIFY(QFile(storeFile()).permissions() & ownerOnly);
        QCOMPARE(QFile(storeFile()).permissions() & othersAndGroup, QFileDevice::Permissions());
    }

    void testReadableStoreIsClosedToOthersOnFirstWrite()
    {
        QDir().mkpath(QFileInfo(storeFile()).absolutePath());
        QFile file(storeFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nPassword=old\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ReadOther | QFileDevice::ReadGroup);

        SettingsStore store(storeFile());
        QCOMPARE(store.ReadSetting(Setting::Password), QStringLiteral("old"));
        store.WriteSetting(Setting::Password, QStringLiteral("new"));
        QCOMPARE(QFile(storeFile()).permissions() & (QFileDevice::ReadOther | QFileDevice::ReadGroup),
                 QFileDevice::Permissions());
    }

    void testHandEditedListWithCommaReadsAsText()
    {
        QDir().mkpath(QFileInfo(storeFile()).absolutePath());
        QFile file(storeFile());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[General]\nVideos=/a/x.mkv, /b/y.mkv\n");
        file.close();
        SettingsStore store(storeFile());
        QCOMPARE(store.ReadSetting(Setting::Videos), QStringLiteral("/a/x.mkv, /b/y.mkv"));
    }

    void testListTextRoundTrip()
    {
        const QStringList files{QStringLiteral("/v/a.mkv"), QStringLiteral("/v/b;c.mkv"), QString()};
        const QString text = ListText::join(files);
        QCOMPARE(text, QStringLiteral("/v/a.mkv;/v/b;c.mkv;"));
        QCOMPARE(ListText::splitFileList(text),
                 QStringList({QStringLiteral("/v/a.mkv"), QStringLiteral("/v/b"), QStringLiteral("c.mkv")}));

        QCOMPARE(ListText::join({}), QString());
        QVERIFY(ListText::splitFileList(QString()).isEmpty());
        QVERIFY(ListText::splitFolderList(QString()).isEmpty());
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
