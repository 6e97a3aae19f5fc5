// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunningCopy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <future>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

sockaddr_un addressOf(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    return address;
}

// A socket file with nobody listening, as a copy that crashed leaves it.
bool leaveStaleSocket(const QString& path)
{
    const sockaddr_un address = addressOf(path);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

// Does the work on another thread, as another process would, while this one runs its event loop.
template <typename Work> RunningCopy::Outcome fromElsewhere(Work work)
{
    auto outcome = std::async(std::launch::async, work);
    static_cast<void>(
        QTest::qWaitFor([&] { return outcome.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 15000));
    return outcome.get();
}

RunningCopy::Outcome handOverFromElsewhere(const QString& path, const QStringList& commands, QString* problem = nullptr)
{
    return fromElsewhere([&] { return RunningCopy(path).handOver(commands, problem); });
}

} // namespace

/** One running copy: the socket between starts, and the real program started twice. */
class TestRunningCopy : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    QString runtime() const
    {
        return m_folder.filePath(QStringLiteral("runtime"));
    }

    QString configFile(const QString& config = QStringLiteral("config")) const
    {
        return m_folder.filePath(config + QStringLiteral("/Quelmar/Lumaveil.conf"));
    }

    QString storedSetting(const QString& key) const
    {
        QFile file(configFile());
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        for (const QByteArray& line : file.readAll().split('\n')) {
            if (line.startsWith(key.toUtf8() + '=')) {
                return QString::fromUtf8(line.mid(key.size() + 1));
            }
        }
        return {};
    }

    // The real program's environment with this test's runtime folder, on no display.
    QProcessEnvironment environment(const QString& config = QStringLiteral("config")) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_folder.filePath(config));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return environment;
    }

    // A start that ends by itself, with this environment or else the test's own: its exit code, or -1 when it crashed
    // or did not end; and what it said on stderr.
    int runOnce(const QStringList& arguments, const QProcessEnvironment& environment = {}, QString* errors = {}) const
    {
        QProcess program;
        program.setProcessEnvironment(environment.isEmpty() ? this->environment() : environment);
        program.start(QStringLiteral(LUMAVEIL_PROGRAM), arguments);
        const bool ended = program.waitForFinished(15000);
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        if (errors) {
            *errors = QString::fromLocal8Bit(program.readAllStandardError());
        }
        return ended && program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    static bool awaitListening(const QString& path)
    {
        return QTest::qWaitFor([&path] { return RunningCopy(path).handOver({}) == RunningCopy::Outcome::Delivered; },
                               20000);
    }

    QString socket() const
    {
        return runtime() + QStringLiteral("/lumaveil.socket");
    }

private slots:
    void init()
    {
        // Each test with settings, folders and sockets of its own.
        QDir(m_folder.path()).removeRecursively();
        QDir().mkpath(runtime());
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void testCommandsReachTheRunningCopy()
    {
        RunningCopy first(socket());
        QCOMPARE(first.handOver({QStringLiteral("test")}), RunningCopy::Outcome::NoneRunning);
        QCOMPARE(first.listen(), RunningCopy::Outcome::NoneRunning);
        QSignalSpy received(&first, &RunningCopy::commandsReceived);

        QCOMPARE(handOverFromElsewhere(socket(), {"off", "test"}), RunningCopy::Outcome::Delivered);
        QCOMPARE(handOverFromElsewhere(socket(), {}), RunningCopy::Outcome::Delivered);
        // More than the copy takes at once is refused, and the start says how much it was.
        QString problem;
        QCOMPARE(handOverFromElsewhere(socket(), QStringList(400000, QStringLiteral("off")), &problem),
                 RunningCopy::Outcome::Failed);
        QVERIFY2(problem.contains(QStringLiteral("the command line is too long to hand over: 400000 commands")),
                 qPrintable(problem));
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received[0][0].toStringList(), QStringList({"off", "test"}));
        QCOMPARE(received[1][0].toStringList(), QStringList());
    }

    void testAStaleSocketIsTakenOver()
    {
        QVERIFY(leaveStaleSocket(socket()));
        RunningCopy first(socket());
        QCOMPARE(first.handOver({}), RunningCopy::Outcome::NoneRunning);
        QCOMPARE(first.listen(), RunningCopy::Outcome::NoneRunning);
        QCOMPARE(handOverFromElsewhere(socket(), {"show"}), RunningCopy::Outcome::Delivered);
    }

    void testACopyThatDoesNotAnswerIsAFailure_data()
    {
        QTest::addColumn<bool>("queueFull");
        QTest::addColumn<int>("commands");
        QTest::newRow("reads nothing") << false << 1;
        // More than the socket holds until the copy reads.
        QTest::newRow("reads nothing of a long line") << false << 100000;
        // No longer takes connections either, and as many starts as its queue holds wait there already.
        QTest::newRow("queue full") << true << 1;
    }

    void testACopyThatDoesNotAnswerIsAFailure()
    {
        QFETCH(bool, queueFull);
        QFETCH(int, commands);
        // Listening, but never reading: a copy that hangs.
        const sockaddr_un address = addressOf(socket());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
        QVERIFY(::listen(fd, 0) == 0);
        const int waiting = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(!queueFull || ::connect(waiting, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
        const QStringList arguments(commands, QStringLiteral("--on"));
        QString errors;
        QCOMPARE(runOnce(arguments, environment(QStringLiteral("untouched")), &errors), 1);
        QVERIFY2(errors.contains(QStringLiteral("does not answer at ") + socket()), qPrintable(errors));
        QVERIFY(!QFileInfo::exists(configFile(QStringLiteral("untouched"))));
        ::close(waiting);
        ::close(fd);
    }

    void testWhatIsNoRequestIsDropped()
    {
        RunningCopy first(socket());
        QCOMPARE(first.handOver({}), RunningCopy::Outcome::NoneRunning);
        QCOMPARE(first.listen(), RunningCopy::Outcome::NoneRunning);
        QSignalSpy received(&first, &RunningCopy::commandsReceived);
        for (const QByteArray& junk : {QByteArray("hello\ntest\n\n"), QByteArray(8192, 'x') + "\n\n"}) {
            QLocalSocket client;
            client.connectToServer(socket());
            QVERIFY(client.waitForConnected(5000));
            client.write(junk);
            // The copy hangs up on it, with no answer.
            QTRY_COMPARE_WITH_TIMEOUT(client.state(), QLocalSocket::UnconnectedState, 5000);
            QVERIFY(!client.readAll().contains("ok"));
        }
        QTest::qWait(100);
        QCOMPARE(received.size(), 0);
        // It still serves a real request afterwards.
        QCOMPARE(handOverFromElsewhere(socket(), {"show"}), RunningCopy::Outcome::Delivered);
        QTRY_COMPARE(received.size(), 1);
    }

    // The second start hands over and ends, before it reads or writes any settings.
    void testASecondStartHandsOverAndEnds()
    {
        QProcess program;
        program.setProcessEnvironment(environment());
        program.start(QStringLiteral(LUMAVEIL_PROGRAM), {});
        QVERIFY(awaitListening(socket()));

        // A command line as long as one can be, more than the socket holds at once, arrives whole.
        QStringList arguments(60000, QStringLiteral("--off"));
        arguments.append(QStringLiteral("--on"));
        QString errors;
        QCOMPARE(runOnce(arguments, environment(QStringLiteral("second")), &errors), 0);
        QVERIFY2(errors.isEmpty(), qPrintable(errors));
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("StartStopState")), QStringLiteral("On"), 5000);
        QCOMPARE(runOnce({QStringLiteral("--off")}, environment(QStringLiteral("second"))), 0);
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("StartStopState")), QStringLiteral("Off"), 5000);
        QCOMPARE(runOnce({}, environment(QStringLiteral("second"))), 0);
        QVERIFY(!QFileInfo::exists(configFile(QStringLiteral("second"))));
        QCOMPARE(runOnce({QStringLiteral("--bogus")}), 2);

        QCOMPARE(runOnce({QStringLiteral("--quit")}), 0);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        // The close saved the lists, and the socket is gone with the copy.
        QFile stored(configFile());
        QVERIFY(stored.open(QIODevice::ReadOnly));
        QVERIFY(stored.readAll().contains("\nListview5="));
        QVERIFY(!QFileInfo::exists(socket()));
    }

    // Also where a link was planted in place of the start-up lock: it is not followed.
    void testQuitWithNothingRunningStartsNothing()
    {
        const QString planted = m_folder.filePath(QStringLiteral("planted"));
        const QString lock = socket() + QStringLiteral(".lock");
        QVERIFY(::symlink(QFile::encodeName(planted).constData(), QFile::encodeName(lock).constData()) == 0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runOnce({QStringLiteral("--quit")}, environment(QStringLiteral("untouched"))), 0);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(!QFileInfo::exists(configFile(QStringLiteral("untouched"))));
        QVERIFY(!QFileInfo::exists(socket()));
        QVERIFY(!QFileInfo::exists(planted));
        QVERIFY(QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink());
    }

    void testACommandWithNothingRunningStartsACopy()
    {
        QProcess program;
        program.setProcessEnvironment(environment());
        program.start(QStringLiteral(LUMAVEIL_PROGRAM), {QStringLiteral("--on")});
        QVERIFY(awaitListening(socket()));
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("StartStopState")), QStringLiteral("On"), 5000);
        QCOMPARE(runOnce({QStringLiteral("--quit")}), 0);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitCode(), 0);
    }

    void testTwoStartsAtOnceEndAsOne()
    {
        QVERIFY(leaveStaleSocket(socket()));
        QProcess first;
        QProcess second;
        first.setProcessEnvironment(environment());
        second.setProcessEnvironment(environment());
        first.start(QStringLiteral(LUMAVEIL_PROGRAM), {});
        second.start(QStringLiteral(LUMAVEIL_PROGRAM), {});
        QVERIFY(first.waitForStarted() && second.waitForStarted());
        // One of them hands over to the other and ends; the other runs on.
        QTRY_VERIFY_WITH_TIMEOUT(first.state() == QProcess::NotRunning || second.state() == QProcess::NotRunning,
                                 15000);
        QProcess& ended = first.state() == QProcess::NotRunning ? first : second;
        QProcess& running = &ended == &first ? second : first;
        QCOMPARE(ended.exitCode(), 0);
        QTest::qWait(500);
        QCOMPARE(running.state(), QProcess::Running);
        QCOMPARE(runOnce({QStringLiteral("--quit")}), 0);
        QVERIFY(running.waitForFinished(10000));
        QCOMPARE(running.exitCode(), 0);
    }

    // Another process that keeps the start-up lock holds up each start for a few seconds, no longer; the start says
    // which process it is, and the copy that starts after the wait is the one that later starts find.
    void testAHeldLockDoesNotStopAStart()
    {
        const int held = ::open(
            QFile::encodeName(socket() + QStringLiteral(".lock")).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
        const auto release = qScopeGuard([held] { ::close(held); });
        QProcess program;
        program.setProcessEnvironment(environment());
        program.start(QStringLiteral(LUMAVEIL_PROGRAM), {QStringLiteral("--on")});
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("StartStopState")), QStringLiteral("On"), 15000);

        QElapsedTimer clock;
        clock.start();
        QString errors;
        QCOMPARE(runOnce({QStringLiteral("--off")}, environment(QStringLiteral("second")), &errors), 0);
        QVERIFY(clock.elapsed() < 10000);
        QVERIFY2(errors.contains(socket() + QStringLiteral(".lock has been held by process %1 (TestRunningCopy)")
                                                .arg(QCoreApplication::applicationPid())),
                 qPrintable(errors));
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("StartStopState")), QStringLiteral("Off"), 5000);
        QVERIFY(!QFileInfo::exists(configFile(QStringLiteral("second"))));
        QCOMPARE(runOnce({QStringLiteral("--quit")}), 0);
        QVERIFY(program.waitForFinished(10000));
    }

    // Two starts that went on without the lock end as one: the later to listen hands over to the earlier.
    void testStartsWithoutTheLockEndAsOne()
    {
        RunningCopy first(socket());
        QCOMPARE(first.handOver({QStringLiteral("on")}), RunningCopy::Outcome::NoneRunning);
        RunningCopy second(socket());
        QString problem;
        QCOMPARE(second.handOver({QStringLiteral("off")}, &problem), RunningCopy::Outcome::NoneRunning);
        QVERIFY2(problem.contains(QStringLiteral("going on without it")), qPrintable(problem));
        QCOMPARE(first.listen(), RunningCopy::Outcome::NoneRunning);
        QSignalSpy received(&first, &RunningCopy::commandsReceived);
        QCOMPARE(fromElsewhere([&second] { return second.listen(); }), RunningCopy::Outcome::Delivered);
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received[0][0].toStringList(), QStringList{QStringLiteral("off")});
    }

    void testAnUnsafeTemporaryFolderIsNotUsed_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("another user's") << "owner" << QStringLiteral("belongs to another user (uid 65534)");
        QTest::newRow("open to others") << "mode" << QStringLiteral("is open to other users (mode 777)");
        QTest::newRow("a link") << "link" << QStringLiteral("is a symbolic link");
    }

    // Without a runtime folder the socket goes to the temporary folder; where a folder of its name is unsafe, the
    // start names it and the reason, and both starts use a folder of the user's own instead. Where no such folder can
    // be made either, the start names both and runs a copy of its own.
    void testAnUnsafeTemporaryFolderIsNotUsed()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        if (kind == QLatin1String("owner") && ::getuid() != 0) {
            QSKIP("Only root can give a folder to another user.");
        }
        const QString temporary = m_folder.filePath(QStringLiteral("tmp-") + kind);
        const QString folder = temporary + QStringLiteral("/lumaveil-%1").arg(::getuid());
        const QString elsewhere = m_folder.filePath(QStringLiteral("elsewhere"));
        QVERIFY(QDir().mkpath(temporary) && QDir().mkpath(elsewhere));
        QVERIFY(::chmod(QFile::encodeName(elsewhere).constData(), 0700) == 0);
        if (kind == QLatin1String("link")) {
            QVERIFY(::symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(folder).constData()) == 0);
        } else {
            QVERIFY(QDir().mkdir(folder));
            QVERIFY(kind == QLatin1String("owner") ? ::chown(QFile::encodeName(folder).constData(), 65534, 65534) == 0
                                                   : ::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        }
        QProcessEnvironment environment = this->environment();
        environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        environment.insert(QStringLiteral("TMPDIR"), temporary);
        const QString cache = m_folder.filePath(QStringLiteral("cache-") + kind);
        environment.insert(QStringLiteral("XDG_CACHE_HOME"), cache);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(LUMAVEIL_PROGRAM), {});

        QString said;
        const QRegularExpression instead(QStringLiteral("; using (.+) instead\\.\n"));
        QTRY_VERIFY_WITH_TIMEOUT((said += QString::fromLocal8Bit(program.readAllStandardError())).contains(instead),
                                 10000);
        QVERIFY2(said.startsWith(QStringLiteral("lumaveil: ") + folder + u' ' + reason), qPrintable(said));
        QVERIFY(awaitListening(instead.match(said).captured(1)));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_folder.filePath(QStringLiteral("second")));
        QString errors;
        QCOMPARE(runOnce({QStringLiteral("--on")}, environment, &errors), 0);
        QCOMPARE(errors, said.left(said.indexOf(u'\n') + 1));
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("StartStopState")), QStringLiteral("On"), 5000);
        QCOMPARE(runOnce({QStringLiteral("--quit")}, environment), 0);
        QVERIFY(program.waitForFinished(10000));
        QVERIFY(!QFileInfo::exists(configFile(QStringLiteral("second"))));
        QVERIFY(QDir(elsewhere).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden));

        // A file where the cache folder should be.
        QVERIFY(QDir(cache).removeRecursively() && QFile(cache).open(QIODevice::WriteOnly));
        QCOMPARE(runOnce({QStringLiteral("--quit")}, environment, &errors), 0);
        QCOMPARE(
            errors,
            QStringLiteral("lumaveil: %1 %2; %3/lumaveil: Not a directory; so each start runs a copy of its own.\n")
                .arg(folder, reason, cache));
    }
};

QTEST_GUILESS_MAIN(TestRunningCopy)
#include "TestRunningCopy.moc"
