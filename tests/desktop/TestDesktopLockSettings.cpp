// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopLockSettings.h"
#include "desktop/DesktopLockTime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr qint64 none = -1;

} // namespace

class TestDesktopLockSettings : public QObject
{
    Q_OBJECT

private slots:
    // xscreensaver's rows are as xscreensaver 6.06 read them ("blank after", "lock after" in its verbose log).
    void testLockAfterMs_data()
    {
        QTest::addColumn<bool>("kde");
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<qint64>("lockAfterMs");
        const QString daemon = QStringLiteral("[Daemon]\n");
        QTest::newRow("KDE, no file: 5 minutes") << true << QStringList() << qint64(300000);
        QTest::newRow("KDE, autolock off") << true << QStringList{daemon + "Autolock=false\nTimeout=1"} << none;
        QTest::newRow("KDE, other group")
            << true << QStringList{"[Greeter]\nTimeout=1\nAutolock=false"} << qint64(300000);
        QTest::newRow("KDE, spaces, immutable, the user's file last")
            << true
            << QStringList{daemon + "Timeout=20\nAutolock=false", "[Daemon][$i]\n Timeout[$i] = 10 \nAutolock=1"}
            << qint64(600000);
        QTest::newRow("KDE, fraction") << true << QStringList{daemon + "Timeout=1.5"} << qint64(90000);
        QTest::newRow("KDE, broken: the defaults")
            << true << QStringList{daemon + "Timeout=nan\nAutolock=maybe\nAutolock"} << qint64(300000);
        QTest::newRow("KDE, below a minute: a minute") << true << QStringList{daemon + "Timeout=-4"} << qint64(60000);
        QTest::newRow("KDE, beyond any time") << true << QStringList{daemon + "Timeout=1e300"} << none;
        QTest::newRow("KDE, binary") << true << QStringList{QString::fromLatin1("\0[Daemon\0]=\n\xff=", 15)}
                                     << qint64(300000);
        QTest::newRow("xscreensaver, no file: no lock") << false << QStringList{QString()} << none;
        QTest::newRow("xscreensaver, lock after blanking")
            << false << QStringList{"# by xscreensaver\ntimeout:\t0:10:00\nlock:\t\tTrue\nlockTimeout:\t0:00:30\n"}
            << qint64(630000);
        QTest::newRow("xscreensaver, only True locks") << false << QStringList{"lock: yes\n"} << none;
        QTest::newRow("xscreensaver, default timeout") << false << QStringList{"lock: TRUE\n"} << qint64(600000);
        QTest::newRow("xscreensaver, mode off") << false << QStringList{"lock: True\nmode: off\n"} << none;
        QTest::newRow("xscreensaver, minutes, M:SS, :SS, spaces")
            << false
            << QStringList{"lock: True\ntimeout: 5\nlockTimeout: 0:20\n",
                           "lock: True\ntimeout:  0 : 05 : 00 \nlockTimeout: :20\n"}
            << qint64(320000);
        QTest::newRow("xscreensaver, minutes past an hour alone")
            << false << QStringList{"lock: True\ntimeout: 0:90:00\n"} << qint64(5400000);
        QTest::newRow("xscreensaver, broken or under 5 s timeout: 10 hours; broken lockTimeout: none")
            << false << QStringList{"lock: True\ntimeout: 1:90:00\nlockTimeout: 0:02:00x\n"} << qint64(36000000);
        QTest::newRow("xscreensaver, under 5 seconds")
            << false << QStringList{"lock: True\ntimeout: 0:00:04\n"} << qint64(36000000);
        QTest::newRow("xscreensaver, a value carried past its line")
            << false << QStringList{"programs:\t\\\n  lock: False \\\n  timeout: 1\\\n\nlock: True\n"}
            << qint64(600000);
        QTest::newRow("xscreensaver, huge numbers")
            << false << QStringList{"lock: True\ntimeout: 99999999999999999999\nlockTimeout: 4294967296:00:00\n"}
            << qint64(36000000);
    }

    void testLockAfterMs()
    {
        QFETCH(bool, kde);
        QFETCH(QStringList, files);
        QFETCH(qint64, lockAfterMs);
        // The xscreensaver rows with two files are two cases with the same answer.
        for (const QString& file : kde ? QStringList{QString()} : files) {
            const std::optional<qint64> read =
                kde ? DesktopLockSettings::kdeLockAfterMs(files) : DesktopLockSettings::xscreensaverLockAfterMs(file);
            QCOMPARE(read.value_or(none), lockAfterMs);
        }
    }

    void testGnome()
    {
        using Values = DesktopLockSettings::GnomeValues;
        QCOMPARE(DesktopLockSettings::gnomeLockAfterMs(Values{true, 600, 30, false}), qint64(630000));
        QCOMPARE(DesktopLockSettings::gnomeLockAfterMs(Values{true, 4294967295u, 4294967295u, false}),
                 qint64(8589934590000));
        for (const Values& never :
             {Values{true, 0, 30, false}, Values{false, 300, 0, false}, Values{true, 300, 0, true}}) {
            QVERIFY(!DesktopLockSettings::gnomeLockAfterMs(never));
        }
    }

    // GNOME's real schemas with GLib's keyfile store in place of dconf. Run again without the schemas, where GSettings
    // would end the program on their first use: nothing is read, and GNOME's defaults count.
    void testGnomeReadsGSettings()
    {
        if (qEnvironmentVariable("XDG_DATA_DIRS") == QLatin1String("/nonexistent")) {
            QVERIFY(!DesktopLockSettings::readGnome());
            QCOMPARE(DesktopLockTime::lockAfterMs(DesktopLockTime::Locker::Gnome), std::optional<qint64>(300000));
            return;
        }
        QTemporaryDir config;
        QVERIFY(QDir(config.path()).mkpath(QStringLiteral("glib-2.0/settings")));
        QFile keyfile(config.filePath(QStringLiteral("glib-2.0/settings/keyfile")));
        QVERIFY(keyfile.open(QIODevice::WriteOnly));
        keyfile.write("[org/gnome/desktop/session]\nidle-delay=uint32 120\n\n"
                      "[org/gnome/desktop/screensaver]\nlock-delay=uint32 15\n");
        keyfile.close();
        qputenv("GSETTINGS_BACKEND", "keyfile");
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        const std::optional<DesktopLockSettings::GnomeValues> values = DesktopLockSettings::readGnome();
        if (!values) {
            QSKIP("needs gsettings-desktop-schemas");
        }
        QCOMPARE(DesktopLockSettings::gnomeLockAfterMs(*values), std::optional<qint64>(135000));
    }
};

QTEST_GUILESS_MAIN(TestDesktopLockSettings)
#include "TestDesktopLockSettings.moc"
