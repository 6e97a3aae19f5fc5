// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/DesktopTest.h"
#include "fakes/Pictures.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>

using namespace DesktopTest;

/**
 * A showing plays in a process of its own: when that process dies, the program lives on. The desktop, on two
 * monitors of 1280x800 side by side, stays covered where the password guards it, and the countdown goes on.
 */
class TestDesktopShowingDeath : public QObject
{
    Q_OBJECT

private:
    XClient m_x;
    const QRect m_left{0, 0, 1280, 800};
    const QRect m_right{1280, 0, 1280, 800};

    // The program's own windows (not its showing process's) that cover the area exactly.
    QList<Window> ownWindowsCovering(const ProgramRun& run, QRect area) const
    {
        QList<Window> covering;
        for (Window window : m_x.windowsOf(run.pid(), QStringLiteral("Slideshow"))) {
            if (m_x.cardinal(window, "_NET_WM_PID") == run.pid() && m_x.isViewable(window) &&
                m_x.geometry(window) == area) {
                covering.append(window);
            }
        }
        return covering;
    }

    // What of a video player a process has loaded.
    static QStringList playerLibraries(qint64 pid)
    {
        QFile maps(QStringLiteral("/proc/%1/maps").arg(pid));
        if (!maps.open(QIODevice::ReadOnly)) {
            return {QStringLiteral("(no maps)")};
        }
        QStringList found;
        const QString text = QString::fromLocal8Bit(maps.readAll());
        for (const char* library : {"libmpv", "libavcodec", "libavformat", "_dri.so", "libGLX_mesa", "libEGL_mesa"}) {
            if (text.contains(QLatin1String(library))) {
                found.append(QLatin1String(library));
            }
        }
        return found;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_x.isOpen(), "needs an X display");
        if (qEnvironmentVariableIntValue("LUMAVEIL_TEST_SCREENS") < 2) {
            QSKIP("needs a display with two monitors");
        }
    }

    void cleanup()
    {
        m_x.releaseKeyboard();
    }

    void testShowingProcessDies_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<bool>("askPassword");
        QTest::newRow("killed") << int(SIGKILL) << false;
        QTest::newRow("killed, password") << int(SIGKILL) << true;
        QTest::newRow("crashed") << int(SIGSEGV) << false;
        QTest::newRow("crashed, password") << int(SIGSEGV) << true;
    }

    void testShowingProcessDies()
    {
        QFETCH(int, signal);
        QFETCH(bool, askPassword);
        QMap<QString, QString> settings = ProgramRun::exampleShowing();
        // A showing three seconds after the start, and three seconds after each end.
        settings.insert(QStringLiteral("Text3"), QStringLiteral("0.05"));
        settings.insert(QStringLiteral("StartStopState"), QStringLiteral("On"));
        if (askPassword) {
            settings.insert(QStringLiteral("Password Mouse Move"), QStringLiteral("1"));
            settings.insert(QStringLiteral("Password"), QStringLiteral("pw"));
        }
        ProgramRun run(settings);
        QTemporaryDir folder;
        const QString errors = folder.filePath(QStringLiteral("stderr"));
        run.process().setProcessChannelMode(QProcess::ForwardedOutputChannel);
        run.process().setStandardErrorFile(errors);
        run.start();
        // Something on the right monitor that the cover has to hide.
        OtherProgram other(QRect(1500, 200, 600, 400));
        QVERIFY(other.awaitWindow(m_x) != 0);

        const Window showing = awaitWindow(m_x, run, QStringLiteral("Slideshow"), 20000);
        QVERIFY(showing != 0);
        QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_left)) > 0.3, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere(), 5000);
        const qint64 child = m_x.cardinal(showing, "_NET_WM_PID");
        QVERIFY(child > 0 && child != run.pid());
        // The player is the showing process's alone.
        QCOMPARE(playerLibraries(run.pid()), QStringList());
        QVERIFY(playerLibraries(child).contains(QLatin1String("libmpv")));

        QElapsedTimer sinceDeath;
        sinceDeath.start();
        QCOMPARE(::kill(pid_t(child), signal), 0);
        if (askPassword) {
            // Black on both monitors, from the program itself, holding the keyboard, until the password is given.
            QTRY_VERIFY_WITH_TIMEOUT(
                !ownWindowsCovering(run, m_left).isEmpty() && !ownWindowsCovering(run, m_right).isEmpty(), 5000);
            qInfo("covered again %lld ms after the death", sinceDeath.elapsed());
            QTRY_COMPARE_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_left)), 0.0, 5000);
            QTRY_COMPARE_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_right)), 0.0, 5000);
            QTRY_VERIFY_WITH_TIMEOUT(m_x.keyboardGrabbedElsewhere(), 5000);
            m_x.key(QStringLiteral("a"));
            enterPassword(m_x, run, QStringLiteral("pw"));
        } else {
            QVERIFY(awaitNoWindow(m_x, run, QStringLiteral("Slideshow")));
            QTRY_VERIFY_WITH_TIMEOUT(!m_x.keyboardGrabbedElsewhere(), 5000);
            QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_right)) > 0.1, 5000);
        }
        QCOMPARE(playerLibraries(run.pid()), QStringList());

        // The program counts on with its lists: the next showing plays three seconds later.
        const Window next = awaitWindow(m_x, run, QStringLiteral("Slideshow"), 15000);
        QVERIFY(next != 0);
        QVERIFY(m_x.cardinal(next, "_NET_WM_PID") != run.pid());
        QTRY_VERIFY_WITH_TIMEOUT(Pictures::litShare(m_x.grab(m_left)) > 0.3, 10000);
        QCOMPARE(run.terminate(), 0);

        // The death is told with the file that played.
        QFile told(errors);
        QVERIFY(told.open(QIODevice::ReadOnly));
        const QString text = QString::fromLocal8Bit(told.readAll());
        const QString expected = signal == SIGKILL ? QStringLiteral("Killed") : QStringLiteral("Segmentation fault");
        QVERIFY2(text.contains(QStringLiteral("the showing's process ended (%1) while it played /").arg(expected)),
                 qPrintable(text));
    }
};

QTEST_GUILESS_MAIN(TestDesktopShowingDeath)
#include "TestDesktopShowingDeath.moc"
