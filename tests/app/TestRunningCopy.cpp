// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RunningCopy.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// A socket file with nobody listening, as a copy that crashed leaves it.
bool leaveStaleSocket(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

// Hands the commands over on another thread, as another process would, while this one runs its event loop.
RunningCopy::Outcome handOverFromElsewhere(const QString& path, const QStringList& commands)
{
    auto outcome = std::async(std::launch::async, [&] { return RunningCopy(path).handOver(commands); });
    static_cast<void>(
        QTest::qWaitFor([&] { return outcome.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 15000));
    return outcome.get();
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

    // The real program with this test's runtime folder, on no display.
    void prepare(QProcess& program, const QString& config = QStringLiteral("config")) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_folder.filePath(config));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
    }

    // A start that ends by itself: its exit code, or -1 when it crashed or did not end.
    int runOnce(const QStringList& arguments, const QString& config = QStringLiteral("config")) const
    {
        QProcess program;
        prepare(program, config);
        program.start(QStringLiteral(LUMAVEIL_PROGRAM), arguments);
        if (!program.waitForFinished(15000)) {
            program.kill();
            program.waitForFinished();
            return -1;
        }
        return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    }

    bool awaitListening() const
    {
        return QTest::qWaitFor([this] { return RunningCopy(socket()).handOver({}) == RunningCopy::Outcome::Delivered; },
                               20000);
    }

    QString socket() const
    {
        return runtime() + QStringLiteral("/lumaveil.socket");
    }

private slots:
    void init()
    {
        QDir(runtime()).removeRecursively();
        QDir().mkpath(runtime());
        QFile::setPermissions(runtime(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void testCommandsReachTheRunningCopy()
    {
        RunningCopy first(socket());
        QCOMPARE(first.handOver({QStringLiteral("test")}), RunningCopy::Outcome::NoneRunning);
        QVERIFY(first.listen());
        QSignalSpy received(&first, &RunningCopy::commandsReceived);

        QCOMPARE(handOverFromElsewhere(socket(), {"off", "test"}), RunningCopy::Outcome::Delivered);
        QCOMPARE(handOverFromElsewhere(socket(), {}), RunningCopy::Outcome::Delivered);
        QTRY_COMPARE(received.size(), 2);
        QCOMPARE(received[0][0].toStringList(), QStringList({"off", "test"}));
        QCOMPARE(received[1][0].toStringList(), QStringList());
    }

    void testAStaleSocketIsTakenOver()
    {
        QVERIFY(leaveStaleSocket(socket()));
        RunningCopy first(socket());
        QCOMPARE(first.handOver({}), RunningCopy::Outcome::NoneRunning);
        QVERIFY(first.listen());
        QCOMPARE(handOverFromElsewhere(socket(), {"show"}), RunningCopy::Outcome::Delivered);
    }

    void testACopyThatDoesNotAnswerIsAFailure()
    {
        // Listening, but never reading: a copy that hangs.
        const QByteArray name = QFile::encodeName(socket());
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.constData(), static_cast<std::size_t>(name.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0);
        QVERIFY(::listen(fd, 4) == 0);
        QString error;
        QCOMPARE(RunningCopy(socket()).handOver({"on"}, &error), RunningCopy::Outcome::Failed);
        QVERIFY(error.contains(socket()));
        ::close(fd);
    }

    void testWhatIsNoRequestIsDropped()
    {
        RunningCopy first(socket());
        QCOMPARE(first.handOver({}), RunningCopy::Outcome::NoneRunning);
        QVERIFY(first.listen());
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
        prepare(program);
        program.start(QStringLiteral(LUMAVEIL_PROGRAM), {});
        QVERIFY(awaitListening());

        QCOMPARE(runOnce({QStringLiteral("--on")}, QStringLiteral("second")), 0);
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("StartStopState")), QStringLiteral("On"), 5000);
        QCOMPARE(runOnce({QStringLiteral("--off")}, QStringLiteral("second")), 0);
        QTRY_COMPARE_WITH_TIMEOUT(storedSetting(QStringLiteral("StartStopState")), QStringLiteral("Off"), 5000);
        QCOMPARE(runOnce({}, QStringLiteral("second")), 0);
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

    void testQuitWithNothingRunningStartsNothing()
    {
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runOnce({QStringLiteral("--quit")}, QStringLiteral("untouched")), 0);
        QVERIFY(clock.elapsed() < 5000);
        QVERIFY(!QFileInfo::exists(configFile(QStringLiteral("untouched"))));
        QVERIFY(!QFileInfo::exists(socket()));
    }

    void testACommandWithNothingRunningStartsACopy()
    {
        QProcess program;
        prepare(program);
        program.start(QStringLiteral(LUMAVEIL_PROGRAM), {QStringLiteral("--on")});
        QVERIFY(awaitListening());
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
        prepare(first);
        prepare(second);
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
};

QTEST_GUILESS_MAIN(TestRunningCopy)
#include "TestRunningCopy.moc"
