// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QTest>

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void testCommands_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("none") << QStringList{} << QStringList{};
        QTest::newRow("each one") << QStringList{"--test"} << QStringList{"test"};
        QTest::newRow("in the order given")
            << QStringList{"--off", "--show", "--on", "--test"} << QStringList{"off", "show", "on", "test"};
        QTest::newRow("single dash") << QStringList{"-quit"} << QStringList{"quit"};
    }

    void testCommands()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, commands);
        const CommandLine line = CommandLine::parse(QStringList{"/usr/bin/lumaveil"} + arguments);
        QVERIFY(line.run);
        QCOMPARE(line.exitCode, 0);
        QCOMPARE(line.commands, commands);
        QVERIFY(line.output.isEmpty());
        QVERIFY(line.errors.isEmpty());
    }

    void testAnswersWithoutRunning_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("errors");
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: lumaveil [options]"
                              << "";
        QTest::newRow("short help") << QStringList{"-h"} << 0 << "--quit"
                                    << "";
        QTest::newRow("help wins over commands") << QStringList{"--test", "--help"} << 0 << "--test"
                                                 << "";
        QTest::newRow("version") << QStringList{"--version"} << 0 << "Lumaveil " LUMAVEIL_VERSION "\n"
                                 << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << ""
                                        << "Unknown option 'bogus'.";
        QTest::newRow("argument") << QStringList{"film.mkv"} << 2 << ""
                                  << "Unknown argument 'film.mkv'.";
        QTest::newRow("value for a command") << QStringList{"--on=5"} << 2 << ""
                                             << "Unexpected value after '--on'.";
    }

    void testAnswersWithoutRunning()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, errors);
        const CommandLine line = CommandLine::parse(QStringList{"/usr/bin/lumaveil"} + arguments);
        QVERIFY(!line.run);
        QCOMPARE(line.exitCode, exitCode);
        if (output.isEmpty()) {
            QVERIFY(line.output.isEmpty());
        } else {
            QVERIFY2(line.output.contains(output), qPrintable(line.output));
        }
        if (!errors.isEmpty()) {
            // A wrong argument says what was wrong, then how it is used.
            QVERIFY2(line.errors.startsWith(errors), qPrintable(line.errors));
            QVERIFY2(line.errors.contains(QStringLiteral("Usage: lumaveil [options]")), qPrintable(line.errors));
        }
    }

    void testHelpNamesEveryCommand()
    {
        const QString help = CommandLine::parse({QStringLiteral("lumaveil"), QStringLiteral("--help")}).output;
        for (const char* option : {"--test", "--on", "--off", "--show", "--quit", "--version", "--help"}) {
            QVERIFY2(help.contains(QLatin1String(option)), option);
        }
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "TestCommandLine.moc"
