// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/ChildShowing.h"
#include "showing/ShowingChannel.h"
#include "showing/ShowingRequest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

/**
 * The program's own file started as a showing's process with a socket pair, by the program's side of it
 * (ChildShowing) and by hand.
 */
class TestShowingProcess : public QObject
{
    Q_OBJECT

private:
    QProcess m_process;
    std::unique_ptr<ShowingChannel> m_channel;

    void startShowingProcess()
    {
        int here = -1;
        int there = -1;
        QVERIFY(ShowingChannel::makePair(here, there));
        m_process.setProcessChannelMode(QProcess::ForwardedChannels);
        m_process.start(QStringLiteral(LUMAVEIL_PROGRAM), {QStringLiteral("--showing-fd=%1").arg(there)});
        QVERIFY(m_process.waitForStarted());
        ::close(there);
        m_channel = std::make_unique<ShowingChannel>(here);
    }

    static QByteArray procFile(qint64 pid, const char* name)
    {
        QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    static ShowingRequest samplesRequest()
    {
        ShowingRequest request;
        const QDir samples(QStringLiteral(LUMAVEIL_SAMPLES_DIR));
        for (const QString& name : samples.entryList(QDir::Files, QDir::Name)) {
            request.paths << samples.filePath(name);
        }
        return request;
    }

private slots:
    void cleanup()
    {
        m_channel.reset();
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // Handed the videos, it confines itself and plays them; asked to end, it is gone at once, and no death is told.
    void testPlaysAndEnds()
    {
        ChildShowing showing(QStringLiteral(LUMAVEIL_PROGRAM));
        QSignalSpy died(&showing, &ChildShowing::diedOf);
        QSignalSpy finished(&showing, &ChildShowing::finished);
        QVERIFY(showing.play(samplesRequest()));
        const qint64 pid = showing.processId();
        QTRY_VERIFY_WITH_TIMEOUT(procFile(pid, "maps").contains("libmpv"), 10000);
        const QByteArray status = procFile(pid, "status");
        QVERIFY2(status.contains("NoNewPrivs:\t1") && status.contains("Seccomp:\t2"), status.constData());

        showing.endWithoutAsking();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(died.size(), 0);
        QVERIFY(!showing.isRunning());

        // A showing asked for while the last one is still going: the old process makes way, and only the new one
        // is followed.
        QVERIFY(showing.play(samplesRequest()));
        QTRY_VERIFY_WITH_TIMEOUT(procFile(showing.processId(), "maps").contains("libmpv"), 10000);
        showing.endWithoutAsking();
        QVERIFY(showing.play(samplesRequest()));
        QVERIFY(showing.isRunning());
        QTest::qWait(500);
        QCOMPARE(finished.size(), 1);
        QCOMPARE(died.size(), 0);
        QVERIFY(showing.isRunning());
        showing.endWithoutAsking();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 5000);
    }

    // Started ahead of a showing, it waits for the request and then plays it; let go before one, it goes quietly.
    void testStartedAhead()
    {
        ChildShowing showing(QStringLiteral(LUMAVEIL_PROGRAM));
        QSignalSpy died(&showing, &ChildShowing::diedOf);
        QSignalSpy finished(&showing, &ChildShowing::finished);
        QSignalSpy playing(&showing, &ChildShowing::playing);
        QVERIFY(showing.prepare());
        const qint64 pid = showing.processId();
        // It loads the player while it waits.
        QTRY_VERIFY_WITH_TIMEOUT(procFile(pid, "maps").contains("libmpv"), 10000);
        QVERIFY(showing.isRunning());
        QVERIFY(showing.play(samplesRequest()));
        QCOMPARE(showing.processId(), pid);
        QTRY_VERIFY_WITH_TIMEOUT(!playing.isEmpty(), 10000);
        showing.endWithoutAsking();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);

        QVERIFY(showing.prepare());
        QVERIFY(showing.prepare());
        showing.endWithoutAsking();
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 5000);
        QCOMPARE(died.size(), 0);
    }

    // A showing's process that crashes or is killed is told as a death at once, with its cause and the file it played.
    void testDeath_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("cause");
        QTest::newRow("killed") << SIGKILL << "Killed";
        QTest::newRow("crashed") << SIGSEGV << "Segmentation fault";
    }

    void testDeath()
    {
        QFETCH(int, signal);
        QFETCH(QString, cause);
        ChildShowing showing(QStringLiteral(LUMAVEIL_PROGRAM));
        QSignalSpy died(&showing, &ChildShowing::diedOf);
        QSignalSpy ended(&showing, &ChildShowing::ended);
        QSignalSpy playing(&showing, &ChildShowing::playing);
        QVERIFY(showing.play(samplesRequest()));
        QTRY_VERIFY_WITH_TIMEOUT(!playing.isEmpty(), 10000);
        ::kill(pid_t(showing.processId()), signal);
        QTRY_COMPARE_WITH_TIMEOUT(died.size(), 1, 2000);
        QVERIFY2(died.at(0).at(0).toString().contains(cause), qPrintable(died.at(0).at(0).toString()));
        QCOMPARE(died.at(0).at(1).toString(), playing.last().at(0).toString());
        QVERIFY(samplesRequest().paths.contains(died.at(0).at(1).toString()));
        QCOMPARE(ended.size(), 0);
    }

    // A file that was playing at two deaths is not handed to the showings that follow.
    void testFileAtTwoDeathsLeftOut()
    {
        ChildShowing showing(QStringLiteral(LUMAVEIL_PROGRAM));
        QSignalSpy died(&showing, &ChildShowing::diedOf);
        QSignalSpy playing(&showing, &ChildShowing::playing);
        QHash<QString, int> deaths;
        QString twice;
        while (twice.isEmpty()) {
            playing.clear();
            QVERIFY(showing.play(samplesRequest()));
            QTRY_VERIFY_WITH_TIMEOUT(!playing.isEmpty(), 10000);
            ::kill(pid_t(showing.processId()), SIGSEGV);
            QTRY_VERIFY_WITH_TIMEOUT(!showing.isRunning(), 2000);
            const QString path = died.last().at(1).toString();
            if (++deaths[path] == 2) {
                twice = path;
            }
        }
        playing.clear();
        QVERIFY(showing.play(samplesRequest()));
        QTRY_VERIFY_WITH_TIMEOUT(!playing.isEmpty(), 10000);
        QVERIFY(playing.first().at(0).toString() != twice);
        showing.endWithoutAsking();
        QTRY_VERIFY_WITH_TIMEOUT(!showing.isRunning(), 5000);
    }

    // No request, or one that cannot be read: it ends with a failure.
    void testEndsWithoutARequest_data()
    {
        QTest::addColumn<bool>("sendGarbage");
        QTest::newRow("closed") << false;
        QTest::newRow("garbage") << true;
    }

    void testEndsWithoutARequest()
    {
        QFETCH(bool, sendGarbage);
        startShowingProcess();
        if (sendGarbage) {
            QVERIFY(m_channel->send({QStringLiteral("start"), {{QStringLiteral("paths"), {}}}}));
        } else {
            m_channel.reset();
        }
        QVERIFY(m_process.waitForFinished(5000));
        QCOMPARE(m_process.exitCode(), 1);
    }

    // A showing's process goes with the program that started it, even while its connection stays open: one that hangs
    // never outlives the program.
    void testGoesWithTheProgram()
    {
        int here = -1;
        int there = -1;
        QVERIFY(ShowingChannel::makePair(here, there));
        ShowingChannel channel(here);
        // A shell stands for the program: it starts the showing's process and is killed.
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(QStringLiteral("sh"),
                        {QStringLiteral("-c"),
                         QStringLiteral("\"$0\" --showing-fd=%1 >/dev/null 2>&1 & echo $!; exec sleep 60").arg(there),
                         QStringLiteral(LUMAVEIL_PROGRAM)});
        QVERIFY(m_process.waitForReadyRead(5000));
        ::close(there);
        const qint64 showing = m_process.readLine().trimmed().toLongLong();
        QVERIFY(showing > 0);
        // Once it plays, it is well past its first steps.
        QSignalSpy received(&channel, &ShowingChannel::received);
        QVERIFY(channel.send(samplesRequest().toMessage()));
        QTRY_VERIFY_WITH_TIMEOUT(!received.isEmpty(), 10000);
        m_process.kill();
        QVERIFY(m_process.waitForFinished());
        QTRY_VERIFY_WITH_TIMEOUT(procFile(showing, "cmdline").isEmpty(), 5000);
    }

    // A process that is no showing's: what it writes, or its going, is a death, and one that speaks nonsense is ended.
    void testProcessThatIsNoShowing_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("why");
        QTest::newRow("garbage") << QStringLiteral("printf '\\377\\377\\377\\377' >&$fd; sleep 30")
                                 << QStringLiteral("a message of 4294967295 bytes");
        QTest::newRow("ends at once") << QStringLiteral("exit 0") << QStringLiteral("ended with status 0");
        QTest::newRow("fails") << QStringLiteral("exit 3") << QStringLiteral("ended with status 3");
    }

    void testProcessThatIsNoShowing()
    {
        QFETCH(QString, script);
        QFETCH(QString, why);
        QTemporaryDir folder;
        const QString program = folder.filePath(QStringLiteral("showing"));
        QFile file(program);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("#!/bin/sh\nfd=${1#--showing-fd=}\n%1\n").arg(script).toLocal8Bit());
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        ChildShowing showing(program);
        QSignalSpy died(&showing, &ChildShowing::diedOf);
        QSignalSpy finished(&showing, &Showing::finished);
        QVERIFY(showing.play(samplesRequest()));
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(died.size(), 1);
        QVERIFY2(died.at(0).at(0).toString().contains(why), qPrintable(died.at(0).at(0).toString()));
        QVERIFY(died.at(0).at(1).toString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestShowingProcess)
#include "TestShowingProcess.moc"
