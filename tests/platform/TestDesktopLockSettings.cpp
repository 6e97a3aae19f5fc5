// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DesktopLockSettings.h"
#include "platform/DesktopLockTime.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr qint64 none = -1;

qint64 orNone(std::optional<qint64> ms)
{
    return ms.value_or(none);
}

} // namespace

class TestDesktopLockSettings : public QObject
{
    Q_OBJECT

private slots:
    void testKde_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<qint64>("lockAfterMs");
        const QString daemon = QStringLiteral("[Daemon]\n");
        QTest::newRow("no file: on, after 5 minutes") << QStringList() << qint64(300000);
        QTest::newRow("timeout in minutes") << QStringList{daemon + "Timeout=1\n"} << qint64(60000);
        QTest::newRow("autolock off") << QStringList{daemon + "Autolock=false\nTimeout=1"} << none;
        QTest::newRow("other group") << QStringList{"[Greeter]\nTimeout=1\nAutolock=false\n"} << qint64(300000);
        QTest::newRow("spaces, other keys, immutable")
            << QStringList{"[General]\nx=1\n\n[Daemon][$i]\n  LockGrace = 30 \nTimeout[$i] = 10\n"} << qint64(600000);
        QTest::newRow("the user's file over the system's")
            << QStringList{daemon + "Timeout=20\nAutolock=false", daemon + "Autolock=true"} << qint64(1200000);
        QTest::newRow("fraction") << QStringList{daemon + "Timeout=1.5"} << qint64(90000);
        QTest::newRow("truth values as KConfig reads them")
            << QStringList{daemon + "Autolock=Off\nTimeout=2", daemon + "Autolock=1"} << qint64(120000);
        QTest::newRow("broken timeout: the default") << QStringList{daemon + "Timeout=soon"} << qint64(300000);
        QTest::newRow("broken autolock: the default") << QStringList{daemon + "Autolock=maybe"} << qint64(300000);
        QTest::newRow("below a minute: a minute") << QStringList{daemon + "Timeout=-4"} << qint64(60000);
        QTest::newRow("beyond any time") << QStringList{daemon + "Timeout=1e300"} << none;
        QTest::newRow("not a number at all") << QStringList{daemon + "Timeout=nan\nAutolock"} << qint64(300000);
        QTest::newRow("binary") << QStringList{QString::fromLatin1("\0[Daemon\0]=\n\xff=", 15)} << qint64(300000);
    }

    void testKde()
    {
        QFETCH(QStringList, files);
        QFETCH(qint64, lockAfterMs);
        QCOMPARE(orNone(DesktopLockSettings::kdeLockAfterMs(files)), lockAfterMs);
    }

    void testXScreenSaver_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<qint64>("lockAfterMs");
        // Each as xscreensaver 6.06 read it ("blank after", "lock after" in its verbose log).
        QTest::newRow("no file: no lock") << QString() << none;
        QTest::newRow("lock after blanking")
            << "# written by xscreensaver\ntimeout:\t0:10:00\nlock:\t\tTrue\nlockTimeout:\t0:00:30\n"
            << qint64(630000);
        QTest::newRow("lock off") << "timeout: 0:01:00\nlock: False\n" << none;
        QTest::newRow("only True turns it on") << "lock: yes\n" << none;
        QTest::newRow("the default timeout") << "lock: TRUE\n" << qint64(600000);
        QTest::newRow("mode off") << "lock: True\nmode: off\ntimeout: 0:01:00\n" << none;
        QTest::newRow("bare minutes, M:SS") << "lock: True\ntimeout: 3\nlockTimeout: 1:30\n" << qint64(270000);
        QTest::newRow(":SS and spaces") << "lock: True\ntimeout:  0 : 05 : 00 \nlockTimeout: :20\n" << qint64(320000);
        QTest::newRow("minutes past an hour alone") << "lock: True\ntimeout: 0:90:00\n" << qint64(5400000);
        QTest::newRow("broken timeout: 10 hours") << "lock: True\ntimeout: soon\n" << qint64(36000000);
        QTest::newRow("minutes past an hour: broken") << "lock: True\ntimeout: 1:90:00\n" << qint64(36000000);
        QTest::newRow("under 5 seconds: 10 hours") << "lock: True\ntimeout: 0:00:04\n" << qint64(36000000);
        QTest::newRow("broken lockTimeout: none") << "lock: True\ntimeout: 1\nlockTimeout: 0:02:00x\n" << qint64(60000);
        QTest::newRow("a long list goes on past its lines")
            << "programs:\t\\\n  lock: False \\\n  timeout: 1\\\n\nlock: True\n"
            << qint64(600000);
        QTest::newRow("huge numbers") << "lock: True\ntimeout: 99999999999999999999\nlockTimeout: 4294967296:00:00\n"
                                      << qint64(36000000);
    }

    void testXScreenSaver()
    {
        QFETCH(QString, file);
        QFETCH(qint64, lockAfterMs);
        QCOMPARE(orNone(DesktopLockSettings::xscreensaverLockAfterMs(file)), lockAfterMs);
    }

    void testGnome_data()
    {
        QTest::addColumn<bool>("lockEnabled");
        QTest::addColumn<uint>("idleDelay");
        QTest::addColumn<uint>("lockDelay");
        QTest::addColumn<bool>("lockDisabled");
        QTest::addColumn<qint64>("lockAfterMs");
        QTest::newRow("idle, then the lock") << true << 600u << 30u << false << qint64(630000);
        QTest::newRow("never idle") << true << 0u << 30u << false << none;
        QTest::newRow("lock off") << false << 300u << 0u << false << none;
        QTest::newRow("lock screen disabled") << true << 300u << 0u << true << none;
        QTest::newRow("largest") << true << 4294967295u << 4294967295u << false << qint64(8589934590000);
    }

    void testGnome()
    {
        QFETCH(bool, lockEnabled);
        QFETCH(uint, idleDelay);
        QFETCH(uint, lockDelay);
        QFETCH(bool, lockDisabled);
        QFETCH(qint64, lockAfterMs);
        const DesktopLockSettings::GnomeValues values{lockEnabled, idleDelay, lockDelay, lockDisabled};
        QCOMPARE(orNone(DesktopLockSettings::gnomeLockAfterMs(values)), lockAfterMs);
    }

    // GNOME's real schemas with GLib's keyfile store in place of dconf: what the user set, and the defaults.
    void testGnomeReadsGSettings()
    {
        if (qEnvironmentVariable("XDG_DATA_DIRS") == QLatin1String("/nonexistent")) {
            QVERIFY(!DesktopLockSettings::readGnome());
            QCOMPARE(orNone(DesktopLockTime::lockAfterMs(DesktopLockTime::Locker::Gnome)), qint64(300000));
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
        QCOMPARE(values->idleDelay, 120u);
        QCOMPARE(values->lockDelay, 15u);
        QVERIFY(values->lockEnabled);
        QVERIFY(!values->lockDisabled);
    }

    void testLocker_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("xscreensaver");
        QTest::addColumn<int>("locker");
        const QString gnome = QStringLiteral("org.gnome.ScreenSaver");
        const QString kde = QStringLiteral("org.kde.screensaver");
        const QString freedesktop = QStringLiteral("org.freedesktop.ScreenSaver");
        using Locker = DesktopLockTime::Locker;
        QTest::newRow("GNOME Shell") << QStringList{freedesktop, gnome} << false << int(Locker::Gnome);
        QTest::newRow("KDE") << QStringList{":1.4", freedesktop, kde} << true << int(Locker::Kde);
        QTest::newRow("xscreensaver") << QStringList{freedesktop} << true << int(Locker::XScreenSaver);
        QTest::newRow("another inhibition service alone") << QStringList{freedesktop} << false << int(Locker::Absent);
    }

    void testLocker()
    {
        QFETCH(QStringList, names);
        QFETCH(bool, xscreensaver);
        QFETCH(int, locker);
        QCOMPARE(int(DesktopLockTime::locker(names, xscreensaver)), locker);
    }
};

QTEST_GUILESS_MAIN(TestDesktopLockSettings)
#include "TestDesktopLockSettings.moc"
