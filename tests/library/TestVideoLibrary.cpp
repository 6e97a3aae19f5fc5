// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/VideoLibrary.h"
#include "system/ErrorReporter.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <fcntl.h>
#include <functional>
#include <stdexcept>
#include <thread>
#include <unistd.h>

namespace {

class CountingReporter : public ErrorReporter
{
public:
    void report(const QString& description, const char*, int) override
    {
        reports.append(description);
    }

    QStringList reports;
};

/** A walk held in a system call that does not return until the test lets it: a stand-in for a dead mount. */
class StuckWalk
{
public:
    StuckWalk()
    {
        m_ok = ::pipe2(m_pipe, O_CLOEXEC) == 0;
        m_writeEnd = m_pipe[1];
    }

    ~StuckWalk()
    {
        release();
        ::close(m_pipe[0]);
    }

    bool ok() const
    {
        return m_ok;
    }

    std::function<QStringList(const FolderScanner::StopFlag*)> walk() const
    {
        const int readEnd = m_pipe[0];
        return [readEnd](const FolderScanner::StopFlag*) {
            char byte = 0;
            [[maybe_unused]] const auto ignored = ::read(readEnd, &byte, 1);
            return QStringList{QStringLiteral("/late.mkv")};
        };
    }

    // May be called from any thread, and more than once.
    void release()
    {
        if (const int writeEnd = m_writeEnd.exchange(-1); writeEnd >= 0) {
            ::close(writeEnd);
        }
    }

private:
    int m_pipe[2] = {-1, -1};
    std::atomic<int> m_writeEnd{-1};
    bool m_ok = false;
};

// The child side of testProcessEndsWithAStuckWalk: a library with a stuck walk, ended as a closing program ends it.
int runStuckWalkChild(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    CountingReporter reporter;
    // Never released: the walk stays in its system call until the process ends, as on a hung mount.
    const auto* stuck = new StuckWalk;
    auto* library = new VideoLibrary(reporter);
    library->walkInBackground(stuck->walk(), [](const QStringList&) {});
    QTimer::singleShot(50, &application, [&] {
        delete library;
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}

} // namespace

class TestVideoLibrary : public QObject
{
    Q_OBJECT

private slots:
    void testResultsArriveOnTheLibrarysThread()
    {
        CountingReporter reporter;
        VideoLibrary library(reporter);
        QSignalSpy busy(&library, &VideoLibrary::busyChanged);
        QStringList received;
        library.walkInBackground([](const FolderScanner::StopFlag*) { return QStringList{QStringLiteral("/a.mkv")}; },
                                 [&](const QStringList& result) {
                                     QCOMPARE(QThread::currentThread(), library.thread());
                                     received = result;
                                 });
        QVERIFY(library.isBusy());
        QTRY_VERIFY(!library.isBusy());
        QCOMPARE(received, QStringList({"/a.mkv"}));
        QCOMPARE(busy.size(), 2);
    }

    void testAThrownWalkIsReportedAndEnds()
    {
        CountingReporter reporter;
        VideoLibrary library(reporter);
        bool doneCalled = false;
        library.walkInBackground(
            [](const FolderScanner::StopFlag*) -> QStringList { throw std::runtime_error("no memory for the walk"); },
            [&](const QStringList& result) {
                doneCalled = true;
                QVERIFY(result.isEmpty());
            });
        QTRY_VERIFY(!library.isBusy());
        QVERIFY(doneCalled);
        QCOMPARE(reporter.reports, QStringList({"no memory for the walk"}));
    }

    void testDestructionDoesNotWaitForAStuckWalk()
    {
        StuckWalk stuck;
        QVERIFY(stuck.ok());
        CountingReporter reporter;
        bool doneCalled = false;
        // Should the library wait for the walk after all, this lets it go on, and the time below tells.
        QSemaphore destroyed;
        std::thread watchdog([&] {
            destroyed.tryAcquire(1, 3000);
            stuck.release();
        });
        QElapsedTimer clock;
        {
            VideoLibrary library(reporter);
            library.walkInBackground(stuck.walk(), [&](const QStringList&) { doneCalled = true; });
            QTest::qWait(20);
            clock.start();
        }
        const qint64 elapsed = clock.elapsed();
        destroyed.release();
        // The walk ends later, after the library has gone: its result goes nowhere.
        stuck.release();
        watchdog.join();
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
        QTest::qWait(100);
        QVERIFY(!doneCalled);
        QVERIFY(reporter.reports.isEmpty());
    }

    void testProcessEndsWithAStuckWalk()
    {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer clock;
        clock.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--stuck-walk-child")});
        QVERIFY(child.waitForStarted());
        const bool finished = child.waitForFinished(5000);
        if (!finished) {
            child.kill();
            child.waitForFinished();
        }
        QVERIFY2(finished, "the process waited for a walk stuck in a system call");
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    }
};

int main(int argc, char* argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "--stuck-walk-child") == 0) {
        return runStuckWalkChild(argc, argv);
    }
    QCoreApplication application(argc, argv);
    TestVideoLibrary test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestVideoLibrary.moc"
