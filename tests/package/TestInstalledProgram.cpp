// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ProgramRun.h"
#include "desktop/XClient.h"
#include "settings/ListText.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Window = XClient::Window;

/** The keys of the [Desktop Entry] group of a desktop entry file, unlocalised. */
QMap<QString, QString> readDesktopEntry(const QString& path)
{
    QFile file(path);
    QMap<QString, QString> keys;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return keys;
    }
    QString group;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(u'[')) {
            group = line;
        } else if (group == QLatin1String("[Desktop Entry]") && !line.startsWith(u'#')) {
            const qsizetype equals = line.indexOf(u'=');
            if (equals > 0) {
                keys.insert(line.left(equals).trimmed(), line.mid(equals + 1).trimmed());
            }
        }
    }
    return keys;
}

/**
 * The command of an entry's Exec key, as a menu runs it with no files: the value's string escapes undone, quoted
 * arguments joined, and the field codes expanded (those for files and URLs to nothing).
 */
QStringList execCommand(const QMap<QString, QString>& entry, const QString& entryPath)
{
    QString text;
    const QString value = entry.value(QStringLiteral("Exec"));
    for (qsizetype i = 0; i < value.size(); ++i) {
        QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            c = value[++i];
            c = c == u's'   ? QChar(u' ')
                : c == u'n' ? QChar(u'\n')
                : c == u't' ? QChar(u'\t')
                : c == u'r' ? QChar(u'\r')
                            : c;
        }
        text += c;
    }

    QStringList arguments;
    QString argument;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                quoted = false;
            } else {
                argument += c == u'\\' && i + 1 < text.size() ? text[++i] : c;
            }
        } else if (c == u' ' || c == u'\t') {
            if (inArgument) {
                arguments.append(argument);
                argument.clear();
                inArgument = false;
            }
        } else {
            inArgument = true;
            if (c == u'"') {
                quoted = true;
            } else {
                argument += c;
            }
        }
    }
    if (inArgument) {
        arguments.append(argument);
    }

    QStringList command;
    for (const QString& word : std::as_const(arguments)) {
        if (word == QLatin1String("%i")) {
            if (entry.contains(QStringLiteral("Icon"))) {
                command << QStringLiteral("--icon") << entry.value(QStringLiteral("Icon"));
            }
        } else if (word == QLatin1String("%c")) {
            command << entry.value(QStringLiteral("Name"));
        } else if (word == QLatin1String("%k")) {
            command << entryPath;
        } else if (!(word.size() == 2 && word[0] == u'%' && word[1] != u'%')) {
            command << QString(word).replace(QLatin1String("%%"), QLatin1String("%"));
        }
    }
    return command;
}

} // namespace

/**
 * The program as its package installed it, started from its menu entry on a desktop of its own, as a user who has
 * never run it: fresh home, settings and runtime folders. Run by package-test.sh while the package is installed;
 * LUMAVEIL_DESKTOP_ENTRY names the installed entry, LUMAVEIL_INSTALLED_PROGRAM the program file it must start and
 * LUMAVEIL_INSTALLED_SAMPLES the folder of the installed example videos.
 */
class TestInstalledProgram : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    QTemporaryDir m_home;
    QProcess m_program;

    [[nodiscard]] QString homePath(const QString& name) const
    {
        return QDir(m_home.path()).filePath(name);
    }

    /** The program's window titled with its name alone, once it is on the screen; 0 when none came. */
    [[nodiscard]] Window awaitMainWindow() const
    {
        Window main = 0;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                for (Window candidate : m_x.windowsOf(m_program.processId(), QStringLiteral("Lumaveil"))) {
                    if (m_x.title(candidate) == QLatin1String("Lumaveil") && m_x.isViewable(candidate)) {
                        main = candidate;
                        return true;
                    }
                }
                return false;
            },
            20000));
        return main;
    }

    /** A message box of the program beside the main window, once it holds the focus; 0 when none came. */
    [[nodiscard]] Window awaitMessageBox(Window main) const
    {
        Window box = 0;
        static_cast<void>(QTest::qWaitFor(
            [&] {
                const Window focused = m_x.focusedClient();
                box = focused != main &&
                              m_x.windowsOf(m_program.processId(), QStringLiteral("Lumaveil")).contains(focused)
                          ? focused
                          : 0;
                return box != 0;
            },
            5000));
        return box;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        QVERIFY(m_home.isValid());
    }

    // Started from the menu, the installed program shows its main window, and "Load Sample/Example Files" lists
    // the example videos from the folder the package put them in.
    void testStartsFromItsMenuEntryWithTheExampleVideos()
    {
        const QString entryPath = qEnvironmentVariable("LUMAVEIL_DESKTOP_ENTRY");
        const QString installedProgram = qEnvironmentVariable("LUMAVEIL_INSTALLED_PROGRAM");
        const QString installedSamples = qEnvironmentVariable("LUMAVEIL_INSTALLED_SAMPLES");
        QVERIFY2(!entryPath.isEmpty() && !installedProgram.isEmpty() && !installedSamples.isEmpty(),
                 "run by package-test.sh");
        const QMap<QString, QString> entry = readDesktopEntry(entryPath);
        const QStringList command = execCommand(entry, entryPath);
        QVERIFY2(!command.isEmpty(), qPrintable(entryPath + QStringLiteral(" has no command")));

        QVERIFY(QDir().mkpath(homePath(QStringLiteral("config"))));
        QVERIFY(QDir().mkpath(homePath(QStringLiteral("runtime"))));
        QVERIFY(QFile::setPermissions(homePath(QStringLiteral("runtime")),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), m_home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), homePath(QStringLiteral("config")));
        // The running copy listens here: a copy that another run left on this machine cannot take the start.
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), homePath(QStringLiteral("runtime")));
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
        environment.remove(QStringLiteral("XDG_CACHE_HOME"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_program.setProcessEnvironment(environment);
        m_program.setProcessChannelMode(QProcess::ForwardedChannels);
        m_program.start(command.first(), command.mid(1));
        QVERIFY2(m_program.waitForStarted(), qPrintable(m_program.errorString()));
        // The menu starts the installed program, not some other "lumaveil" that comes first on the PATH.
        QCOMPARE(QFileInfo(QStringLiteral("/proc/%1/exe").arg(m_program.processId())).symLinkTarget(),
                 installedProgram);

        const Window main = awaitMainWindow();
        QVERIFY2(main != 0, "the main window did not come up");
        // Desktops on X11 tell which entry a window belongs to by its class: the entry's StartupWMClass, or else the
        // entry's own name. A window they cannot place shows up without the program's name and icon.
        const QString windowClass =
            entry.value(QStringLiteral("StartupWMClass"), QFileInfo(entryPath).completeBaseName());
        QVERIFY2(m_x.windowsOfClass(windowClass, main).contains(main),
                 qPrintable(QStringLiteral("the main window's WM_CLASS is not %1").arg(windowClass)));

        // "Load Sample/Example Files", then "No" to opening their folder.
        m_x.clickAt(m_x.geometry(main).topLeft() + twipsCentre(4080, 3430, 3840, 405));
        const Window question = awaitMessageBox(main);
        QVERIFY2(question != 0, "no question about opening the folder of the example videos");
        m_x.key(QStringLiteral("Escape"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_x.isViewable(question), 5000);

        m_program.terminate();
        QVERIFY2(m_program.waitForFinished(20000), "the program did not end at SIGTERM");
        QCOMPARE(m_program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_program.exitCode(), 0);

        QStringList expected;
        for (const QString& name : QDir(QStringLiteral(LUMAVEIL_SAMPLES_DIR)).entryList(QDir::Files, QDir::Name)) {
            expected.append(QDir(installedSamples).filePath(name));
        }
        QVERIFY(!expected.isEmpty());
        expected.sort();
        const SettingsStore settings(homePath(QStringLiteral("config/Quelmar/Lumaveil.conf")));
        QStringList listed = ListText::splitFileList(settings.ReadSetting(QStringLiteral("Videos")));
        listed.sort();
        QCOMPARE(listed, expected);
    }

    void cleanupTestCase()
    {
        if (m_program.state() != QProcess::NotRunning) {
            m_program.kill();
            m_program.waitForFinished(5000);
        }
    }
};

QTEST_GUILESS_MAIN(TestInstalledProgram)
#include "TestInstalledProgram.moc"
