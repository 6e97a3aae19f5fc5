// SPDX-License-Identifier: GPL-3.0-or-later
#include "showing/Confinement.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

/**
 * What a confined process may still do, and what it is refused: each tried in a process of its own, since the
 * confinement is for good.
 */
class TestConfinement : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    // 0 when the call succeeded, 1 when it was refused as not permitted, 2 otherwise; 3 when confining failed.
    static int tryConfined(const std::function<int()>& call)
    {
        const pid_t child = fork();
        if (child == 0) {
            const Confinement::Outcome outcome = Confinement::confine();
            if (!outcome.noNewPrivileges || !outcome.filtered) {
                _exit(3);
            }
            errno = 0;
            const int result = call();
            _exit(result >= 0 ? 0 : errno == EPERM ? 1 : 2);
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 4;
    }

private slots:
    void initTestCase()
    {
        QFile existing(m_folder.filePath(QStringLiteral("existing")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
    }

    void testWhatIsLeft_data()
    {
        QTest::addColumn<std::function<int()>>("call");
        QTest::addColumn<bool>("allowed");
        const QByteArray existing = QFile::encodeName(m_folder.filePath(QStringLiteral("existing")));
        const QByteArray fresh = QFile::encodeName(m_folder.filePath(QStringLiteral("fresh")));
        const auto row = [](const char* name, std::function<int()> call, bool allowed) {
            QTest::newRow(name) << call << allowed;
        };
        row(
            "a local socket", [] { return socket(AF_UNIX, SOCK_STREAM, 0); }, true);
        row(
            "a socket pair",
            [] {
                int ends[2];
                return socketpair(AF_UNIX, SOCK_STREAM, 0, ends);
            },
            true);
        row(
            "reading a file", [=] { return open(existing.constData(), O_RDONLY); }, true);
        row(
            "writing a file that exists", [=] { return open(existing.constData(), O_WRONLY); }, true);
        row(
            "a network socket", [] { return socket(AF_INET, SOCK_STREAM, 0); }, false);
        row(
            "an IPv6 socket", [] { return socket(AF_INET6, SOCK_DGRAM, 0); }, false);
        row(
            "a new file", [=] { return open(fresh.constData(), O_WRONLY | O_CREAT, 0600); }, false);
        row(
            "a new file by openat", [=] { return openat(AT_FDCWD, fresh.constData(), O_RDWR | O_CREAT, 0600); }, false);
        row(
            "a folder", [=] { return mkdir(fresh.constData(), 0700); }, false);
        row(
            "a program",
            [] {
                const char* const arguments[] = {"/bin/true", nullptr};
                return execv("/bin/true", const_cast<char* const*>(arguments));
            },
            false);
    }

    void testWhatIsLeft()
    {
        QFETCH(std::function<int()>, call);
        QFETCH(bool, allowed);
        QCOMPARE(tryConfined(call), allowed ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestConfinement)
#include "TestConfinement.moc"
