// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/FailingStorage.h"
#include "settings/PasswordHash.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

/**
 * A FUSE mount whose server never answers, as a network mount whose server went away: every look at it blocks
 * until the mount goes. Needs /dev/fuse and the right to mount.
 */
class DeadMount
{
public:
    explicit DeadMount(const QString& path)
        : m_path(QFile::encodeName(path))
    {
        m_fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (m_fd < 0) {
            m_error = QStringLiteral("no /dev/fuse");
            return;
        }
        const QByteArray options = "fd=" + QByteArray::number(m_fd) +
                                   ",rootmode=40000,user_id=" + QByteArray::number(::getuid()) +
                                   ",group_id=" + QByteArray::number(::getgid());
        if (::mount(
                "lumaveil-test", m_path.constData(), "fuse.lumaveil-test", MS_NOSUID | MS_NODEV, options.constData()) !=
            0) {
            m_error =
                QStringLiteral("cannot mount a FUSE file system here: ") + QString::fromLocal8Bit(strerror(errno));
            ::close(m_fd);
            m_fd = -1;
        }
    }

    // Closing the connection ends every request still waiting on it.
    ~DeadMount()
    {
        if (m_fd >= 0) {
            ::close(m_fd);
            ::umount2(m_path.constData(), MNT_DETACH);
        }
    }

    [[nodiscard]] QString error() const
    {
        return m_error;
    }

private:
    QByteArray m_path;
    QString m_error;
    int m_fd = -1;
};

} // namespace

/** The real program, started as a user starts it and ended as the session ends it. */
class TestProgram : public QObject
{
    Q_OBJECT

private:
    // True once the process has installed its own handler for the signal.
    static bool catchesSignal(qint64 pid, int number)
    {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (!status.open(QIODevice::ReadOnly)) {
            return false;
        }
        for (const QByteArray& line : status.readAll().split('\n')) {
            if (line.startsWith("SigCgt:")) {
                const quint64 mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
                return mask & (quint64(1) << (number - 1));
            }
        }
        return false;
    }

    // The program with its settings in the given folder, on no display, as far as it has started.
    static void start(QProcess& program, const QString& configFolder)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
        // A runtime folder of its own: no other test's program is a running copy to it.
        const QString runtime = configFolder + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(LUMAVEIL_PROGRAM), {});
        QVERIFY(program.waitForStarted());
    }

private slots:
    void testTerminationWithAWalkStuckOnADeadMount()
    {
        QTemporaryDir config;
        QTemporaryDir mountPoint;
        const DeadMount dead(mountPoint.path());
        if (!dead.error().isEmpty()) {
            QSKIP(qPrintable(dead.error()));
        }
        const QString storeFile = config.filePath(QStringLiteral("Quelmar/Lumaveil.conf"));
        SettingsStore(storeFile).WriteSetting(Setting::Listview5, mountPoint.path() + "/");

        // The start-up rebuild walks the folder list and hangs there; the program must still end when asked.
        QProcess program;
        start(program, config.path());
        QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(program.processId(), SIGTERM), 20000);
        QTest::qWait(200);

        QElapsedTimer clock;
        clock.start();
        program.terminate();
        const bool ended = program.waitForFinished(5000);
        const qint64 elapsed = clock.elapsed();
        if (!ended) {
            program.kill();
            program.waitForFinished();
        }
        QVERIFY2(ended, "the program waited for the walk");
        QVERIFY2(elapsed < 1000, qPrintable(QString::number(elapsed)));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        QCOMPARE(SettingsStore(storeFile).ReadSetting(Setting::Listview5), mountPoint.path() + "/");
    }

    // The lists are saved, and a password that an older version stored in the clear is stored hashed from now on.
    void testTerminationSavesTheLists()
    {
        QTemporaryDir config;
        const QString storeFile = config.filePath(QStringLiteral("Quelmar/Lumaveil.conf"));
        {
            SettingsStore old(storeFile);
            old.WriteSetting(Setting::Videos, QStringLiteral("/v/one.mkv;/v/two.mkv"));
            old.WriteSetting(Setting::Password, QStringLiteral("pw"));
        }

        QProcess program;
        start(program, config.path());
        QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(program.processId(), SIGTERM), 20000);

        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);

        const SettingsStore store(storeFile);
        QCOMPARE(store.ReadSetting(Setting::Videos), QStringLiteral("/v/one.mkv;/v/two.mkv"));
        // The folder list was never stored before; the close wrote it.
        QCOMPARE(store.ReadSetting(QStringLiteral("Listview5"), QStringLiteral("absent")), QString());
        const QString password = store.ReadSetting(Setting::Password);
        QVERIFY(PasswordHash::isHashed(password));
        QVERIFY(PasswordHash::matches(password, QStringLiteral("pw")));
    }

    // A signal ends the program even when its settings cannot be saved: no box waits for a person, and stderr says
    // which file failed and why.
    void testTerminationWithSettingsThatCannotBeSaved()
    {
        QTemporaryDir config;
        const QString storeFile = config.filePath(QStringLiteral("Quelmar/Lumaveil.conf"));
        FailingStorage storage(QFileInfo(storeFile).absolutePath());
        SettingsStore(storeFile).WriteSetting(Setting::Videos, QStringLiteral("/v/one.mkv"));
        const QString reason = storage.makeFolderReadOnly();
        if (reason.isEmpty()) {
            QSKIP(qPrintable(storage.why()));
        }

        QProcess program;
        start(program, config.path());
        QTRY_VERIFY_WITH_TIMEOUT(catchesSignal(program.processId(), SIGTERM), 20000);

        // The close stores the folder list, which the file lacks: that save fails.
        program.terminate();
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(errors.contains(storeFile) && errors.contains(reason), qPrintable(errors));
        storage.repair();
        QCOMPARE(SettingsStore(storeFile).ReadSetting(QStringLiteral("Listview5"), QStringLiteral("absent")),
                 QStringLiteral("absent"));
    }
};

QTEST_GUILESS_MAIN(TestProgram)
#include "TestProgram.moc"
