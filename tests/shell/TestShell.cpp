// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/StartUp.h"
#include "shell/cSysTray.h"
#include "system/Failure.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestShell : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_config;

    static QString readAll(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private slots:
    void init()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        QFile::remove(autostartEntryPath());
    }

    void testTrayIconShownOnceAndTipCut()
    {
        cSysTray tray;
        tray.setInTray(false);
        QVERIFY(!tray.InTray());
        tray.setInTray(true);
        tray.setInTray(true);
        QVERIFY(tray.InTray());
        // Only one icon object stands behind any number of switches.
        QCOMPARE(tray.findChildren<QSystemTrayIcon*>().size(), 1);

        tray.setTrayTip(QString(200, u'x'));
        QCOMPARE(tray.TrayTip().size(), 200);
        QCOMPARE(tray.findChild<QSystemTrayIcon*>()->toolTip().size(), 127);

        // An empty icon is no icon: the one set stays.
        QIcon icon(QPixmap(16, 16));
        tray.setTrayIcon(icon);
        tray.setTrayIcon(QIcon());
        QVERIFY(!tray.TrayIcon().isNull());
    }

    void testClicksBecomeMouseEvents()
    {
        cSysTray tray;
        QStringList events;
        connect(&tray, &cSysTray::MouseDown, this, [&](int button, qint32) {
            events << QStringLiteral("down%1").arg(button);
        });
        connect(
            &tray, &cSysTray::MouseUp, this, [&](int button, qint32) { events << QStringLiteral("up%1").arg(button); });
        connect(&tray, &cSysTray::MouseDblClick, this, [&](int button, qint32) {
            events << QStringLiteral("double%1").arg(button);
        });

        tray.handleActivation(QSystemTrayIcon::Trigger);
        tray.handleActivation(QSystemTrayIcon::DoubleClick);
        tray.handleActivation(QSystemTrayIcon::MiddleClick);
        tray.handleActivation(QSystemTrayIcon::Context);
        tray.handleActivation(QSystemTrayIcon::Unknown);

        // A double click comes as down, up, double click, up; the middle button raises nothing.
        QCOMPARE(events,
                 QStringList({QStringLiteral("down1"),
                              QStringLiteral("up1"),
                              QStringLiteral("double1"),
                              QStringLiteral("up1"),
                              QStringLiteral("down2"),
                              QStringLiteral("up2")}));
    }

    void testBalloonShowOnceAndTimed()
    {
        cSysTray tray;
        tray.setTrayIcon(QIcon(QPixmap(16, 16)));
        tray.setInTray(true);

        tray.ShowBalloon(QStringLiteral("text"), QStringLiteral("title"), 1, true);
        QVERIFY(tray.balloonShown());
        QCOMPARE(tray.showOnceCount(), 1);
        // The balloon's time is kept without holding the caller: it returned at once, and the flag goes later.
        QTRY_VERIFY_WITH_TIMEOUT(!tray.balloonShown(), 3000);

        tray.ShowBalloon(QStringLiteral("text"), QStringLiteral("title"), 1, true);
        QVERIFY(!tray.balloonShown());
        QCOMPARE(tray.showOnceCount(), 1);

        // A click on the balloon closes it before its time.
        tray.ShowBalloon(QStringLiteral("text"), QStringLiteral("title"), 5, false);
        QVERIFY(tray.balloonShown());
        emit tray.findChild<QSystemTrayIcon*>()->messageClicked();
        QVERIFY(!tray.balloonShown());

        // Without show-once, every call shows one; without a time the desktop keeps it as long as it likes.
        tray.ShowBalloon(QStringLiteral("text"), QStringLiteral("title"), 0, false);
        QVERIFY(tray.balloonShown());
        QCOMPARE(tray.showOnceCount(), 1);
    }

    void testBalloonTimeBeyondRangeIsAnOverflow()
    {
        cSysTray tray;
        QVERIFY_THROWS_EXCEPTION(Failure, tray.ShowBalloon(QString(), QString(), 2147484, false));
        QVERIFY(!tray.balloonShown());
        tray.ShowBalloon(QString(), QString(), 2147483, false);
        QVERIFY(tray.balloonShown());
    }

    void testAutostartEntryFollowsTheConfigurationFolder()
    {
        QCOMPARE(autostartEntryPath(), m_config.filePath(QStringLiteral("autostart/lumaveil.desktop")));
        QVERIFY(AddToStartup().isEmpty());
        // Written twice, it is still one entry.
        QVERIFY(AddToStartup().isEmpty());

        // The entry reads back as a desktop entry that names this very program.
        QSettings entry(autostartEntryPath(), QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
        QCOMPARE(entry.value(QStringLiteral("Name")).toString(), QStringLiteral("Lumaveil"));
        QCOMPARE(entry.value(QStringLiteral("Icon")).toString(), QStringLiteral("lumaveil"));
        QVERIFY(!entry.value(QStringLiteral("Comment")).toString().isEmpty());
        QVERIFY(readAll(autostartEntryPath())
                    .contains(QStringLiteral("\nExec=\"%1\"\n").arg(QCoreApplication::applicationFilePath())));

        QVERIFY(RemoveFromStartup().isEmpty());
        QVERIFY(!QFile::exists(autostartEntryPath()));
        // Removing what is not there is no error.
        QVERIFY(RemoveFromStartup().isEmpty());
    }

    void testExecQuotesAndEscapes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << QStringLiteral("/usr/bin/lumaveil") << QStringLiteral("\"/usr/bin/lumaveil\"");
        QTest::newRow("blanks") << QStringLiteral("/home/a b/My Programs/lumaveil")
                                << QStringLiteral("\"/home/a b/My Programs/lumaveil\"");
        // Inside quotes a backslash, quote, backquote and dollar take a backslash, which the entry file escapes
        // once more; a percent sign is doubled so that it is no field code.
        QTest::newRow("reserved")
            << QStringLiteral("/opt/\"q\"/`x`/$HOME/100%/back\\slash/lumaveil")
            << QStringLiteral("\"/opt/\\\\\"q\\\\\"/\\\\`x\\\\`/\\\\$HOME/100%%/back\\\\\\\\slash/lumaveil\"");
        QTest::newRow("line break") << QStringLiteral("/opt/a\nb/lumaveil")
                                    << QStringLiteral("\"/opt/a\\nb/lumaveil\"");
        QTest::newRow("unicode") << QStringLiteral("/home/zoë/视频/lumaveil")
                                 << QStringLiteral("\"/home/zoë/视频/lumaveil\"");
    }

    void testExecQuotesAndEscapes()
    {
        QFETCH(QString, path);
        QFETCH(QString, exec);
        QCOMPARE(desktopExecArgument(path), exec);
        QVERIFY(autostartEntry(path).contains(QStringLiteral("\nExec=") + exec + u'\n'));
    }

    void testUnwritableAutostartFolderIsReported()
    {
        // A file where the folder should be.
        QDir(m_config.filePath(QStringLiteral("autostart"))).removeRecursively();
        QFile blocker(m_config.filePath(QStringLiteral("autostart")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString problem = AddToStartup();
        QVERIFY(!problem.isEmpty());
        QVERIFY2(problem.contains(m_config.filePath(QStringLiteral("autostart"))), qPrintable(problem));
        QVERIFY(blocker.remove());
    }
};

QTEST_MAIN(TestShell)
#include "TestShell.moc"
