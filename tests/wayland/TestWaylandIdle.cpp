// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DesktopSources.h"
#include "desktop/WaylandIdleSource.h"
#include "wayland/Sway.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <fake-input-client-protocol.h>
#include <wayland-client.h>

namespace {

// A compositor that the test starts beside the session's sway, in a runtime folder of its own, without a session bus;
// while it lives, the program's connections go to it.
struct SideCompositor
{
    QTemporaryDir folder;
    QProcess process;
    const QByteArray session = qgetenv("WAYLAND_DISPLAY");

    SideCompositor()
    {
        qputenv("WAYLAND_DISPLAY", folder.filePath(QStringLiteral("compositor")).toLocal8Bit());
    }
    ~SideCompositor()
    {
        process.kill();
        process.waitForFinished();
        qputenv("WAYLAND_DISPLAY", session);
    }

    // The installed kwin_wayland carries a file capability, which a container may not grant; a copy runs without.
    bool start(const QString& program, const QStringList& arguments)
    {
        const QString copy = folder.filePath(QFileInfo(program).fileName());
        if (!QFile::copy(program, copy)) {
            return false;
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
        environment.insert(QStringLiteral("HOME"), folder.path());
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        // KWin keeps its fake input for the desktop's own programs otherwise.
        environment.insert(QStringLiteral("KWIN_WAYLAND_NO_PERMISSION_CHECKS"), QStringLiteral("1"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.setStandardOutputFile(folder.filePath(QStringLiteral("log")));
        process.start(copy, arguments);
        const bool started = QTest::qWaitFor(
                                 [this] {
                                     wl_display* display = wl_display_connect(nullptr);
                                     if (display) {
                                         wl_display_disconnect(display);
                                     }
                                     return display || process.state() == QProcess::NotRunning;
                                 },
                                 30000) &&
                             process.state() == QProcess::Running;
        QFile log(folder.filePath(QStringLiteral("log")));
        if (!started && log.open(QIODevice::ReadOnly)) {
            qWarning().noquote() << log.readAll();
        }
        return started;
    }
};

// Moves the pointer through KWin's own fake input, as real input does.
bool movePointer()
{
    wl_display* display = wl_display_connect(nullptr);
    org_kde_kwin_fake_input* input = nullptr;
    const wl_registry_listener listener{
        [](void* data, wl_registry* registry, quint32 name, const char* interface, quint32) {
            if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0) {
                *static_cast<org_kde_kwin_fake_input**>(data) = static_cast<org_kde_kwin_fake_input*>(
                    wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 1));
            }
        },
        [](void*, wl_registry*, quint32) {}};
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &input);
    wl_display_roundtrip(display);
    const bool found = input != nullptr;
    if (found) {
        org_kde_kwin_fake_input_authenticate(input, "tests", "input");
        org_kde_kwin_fake_input_pointer_motion(input, wl_fixed_from_int(5), wl_fixed_from_int(5));
        wl_display_roundtrip(display);
        org_kde_kwin_fake_input_destroy(input);
    }
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return found;
}

// The source's answer, which comes within the time a compositor is given to meet.
IdleAnswer ask(IdleSource& source)
{
    std::optional<IdleAnswer> answer;
    source.ask([&answer](const IdleAnswer& given) { answer = given; });
    static_cast<void>(
        QTest::qWaitFor([&answer] { return answer.has_value(); }, WaylandIdleSource::meetWithinMs + 1000));
    return answer.value_or(IdleAnswer{std::nullopt, QStringLiteral("no answer")});
}

// Where the program looks for the idle time, as it does, and what it finds: the source's name, or why none works.
QString search()
{
    DesktopIdle idle(desktopSources(DesktopBuses{}));
    idle.findSource();
    static_cast<void>(QTest::qWaitFor([&idle] { return idle.search() > DesktopIdle::Search::Running; }, 5000));
    return idle.search() == DesktopIdle::Search::Found ? idle.sourceName() : idle.whyNoneWorks();
}

} // namespace

/** The desktop's idle time from the real compositors' idle protocols: sway's (wayland/wayland.sh), KWin's, weston's. */
class TestWaylandIdle : public QObject
{
    Q_OBJECT

private slots:
    // The time counts from the first question, by the second, and drops with real input (a key on sway, the pointer
    // through KWin's fake input); KWin's newer protocol comes before its older one, and the program's search ends with
    // this source. A compositor that dies leaves a failure, not a hang. Where the compositor offers neither protocol
    // (weston), or none answers, the source and the search say why, and the count stays with the program's window.
    void testIdleTime_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("arguments");
        // The protocol in use, or what the failure says.
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* program, const char* arguments, const char* expected) {
            QTest::newRow(name) << QString::fromUtf8(program) << QString::fromUtf8(arguments)
                                << QString::fromUtf8(expected);
        };
        row("sway", "sway", "", "org_kde_kwin_idle");
        row("kwin", "/usr/bin/kwin_wayland", "--virtual --socket=compositor", "ext_idle_notifier_v1");
        row("weston",
            "/usr/bin/weston",
            "--backend=headless-backend.so --socket=compositor --no-config",
            "neither ext-idle-notify nor KDE's idle protocol");
        row("none", "none", "", "no Wayland compositor answers at");
    }

    void testIdleTime()
    {
        QFETCH(QString, program);
        QFETCH(QString, arguments);
        QFETCH(QString, expected);
        QVERIFY2(!qEnvironmentVariableIsEmpty("SWAYSOCK"), "needs the session of wayland/wayland.sh");
        std::optional<SideCompositor> side;
        if (program != QLatin1String("sway")) {
            side.emplace();
            QVERIFY(program == QLatin1String("none") || side->start(program, arguments.split(QLatin1Char(' '))));
        }
        WaylandIdleSource source;
        QElapsedTimer since;
        since.start();
        const IdleAnswer first = ask(source);
        if (!first.milliseconds) {
            QVERIFY2(first.failure.contains(expected), qPrintable(first.failure));
            QVERIFY2(search().contains(expected), qPrintable(search()));
            return;
        }
        QCOMPARE(*first.milliseconds, qint64(0));
        QCOMPARE(source.protocol(), expected);
        QCOMPARE(search(), source.name());
        for (int second : {3, 4}) {
            QTest::qWait(int(second * 1000 - since.elapsed()));
            // The notification is made with the first question, so the time is known from then, to within a second: a
            // compositor under load tells a little late that the first second without input has passed.
            const qint64 idle = ask(source).milliseconds.value_or(-1);
            QVERIFY2(idle > since.elapsed() - 1000 && idle <= since.elapsed(),
                     qPrintable(QStringLiteral("%1 ms idle after %2 ms").arg(idle).arg(since.elapsed())));
        }
        QVERIFY(side ? movePointer() : Sway::type({QStringLiteral("-k"), QStringLiteral("Shift_L")}));
        QTRY_COMPARE(ask(source).milliseconds.value_or(-1), qint64(0));
        if (side) {
            side->process.kill();
            side->process.waitForFinished();
            QVERIFY(!ask(source).failure.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestWaylandIdle)
#include "TestWaylandIdle.moc"
