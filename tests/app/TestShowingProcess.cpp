// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/ShowingChannel.h"
#include "showing/ShowingRequest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <unistd.h>

/** The program's own file started as a showing's process, as the program starts it, with a socket pair. */
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

    QByteArray status() const
    {
        QFile file(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QByteArray maps() const
    {
        QFile file(QStringLiteral("/proc/%1/maps").arg(m_process.processId()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

    // Handed the videos, it confines itself, plays them, and ends at once when asked to.
    void testPlaysAndEnds()
    {
        startShowingProcess();
        ShowingRequest request;
        const QDir samples(QStringLiteral(LUMAVEIL_SAMPLES_DIR));
        for (const QString& name : samples.entryList(QDir::Files, QDir::Name)) {
            request.paths << samples.filePath(name);
        }
        QVERIFY(m_channel->send(request.toMessage()));
        QTRY_VERIFY_WITH_TIMEOUT(maps().contains("libmpv"), 10000);
        QVERIFY2(status().contains("NoNewPrivs:\t1") && status().contains("Seccomp:\t2"), status().constData());
        QTest::qWait(500);
        QCOMPARE(m_process.state(), QProcess::Running);

        QVERIFY(m_channel->send({QStringLiteral("end"), {}}));
        QVERIFY(m_process.waitForFinished(5000));
        QCOMPARE(m_process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(m_process.exitCode(), 0);
    }

    // No request, or one that cannot be read: it ends with a failure, having shown nothing.
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
        QVERIFY(!maps().contains("libmpv"));
    }
};

QTEST_GUILESS_MAIN(TestShowingProcess)
#include "TestShowingProcess.moc"
