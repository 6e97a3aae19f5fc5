// SPDX-License-Identifier: GPL-3.0-or-later
// Memory benchmark, on an X display: the real program with the example videos in its list, counting down, during a
// showing started with --test and ended with a key, and after one and after ten showings; against a bare Qt window
// in the same run. Resident and private memory of the program's own process; during a showing, of the showing's
// process too.
//
// Usage: bench_memory PROGRAM BARE_WINDOW FOLDER   (needs xdotool)
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>

namespace {

struct Memory
{
    double resident = 0;
    double priv = 0;
};

// From the kernel's summary of the process's mappings, in MiB.
Memory memoryOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    Memory memory;
    if (!file.open(QIODevice::ReadOnly)) {
        return memory;
    }
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2) {
            continue;
        }
        const double mib = fields.at(1).toDouble() / 1024;
        if (fields.first() == "Rss:") {
            memory.resident = mib;
        } else if (fields.first() == "Private_Clean:" || fields.first() == "Private_Dirty:") {
            memory.priv += mib;
        }
    }
    return memory;
}

QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    QFile file(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& child : file.readAll().simplified().split(' ')) {
            if (!child.isEmpty()) {
                children.append(child.toLongLong());
            }
        }
    }
    return children;
}

void sleepSeconds(double seconds)
{
    QThread::msleep(static_cast<unsigned long>(seconds * 1000));
}

bool windowShown(const QString& title)
{
    return QProcess::execute(QStringLiteral("xdotool"),
                             {QStringLiteral("search"),
                              QStringLiteral("--onlyvisible"),
                              QStringLiteral("--name"),
                              QStringLiteral("^%1").arg(title)}) == 0;
}

bool awaitWindow(const QString& title, bool shown)
{
    for (int i = 0; i < 400; ++i) {
        if (windowShown(title) == shown) {
            return true;
        }
        sleepSeconds(0.05);
    }
    std::fprintf(stderr, "window \"%s\" not %s within 20 s\n", qPrintable(title), shown ? "shown" : "gone");
    return false;
}

void print(const char* what, Memory memory)
{
    std::printf("  %-52s %6.1f MiB resident, %6.1f MiB private\n", what, memory.resident, memory.priv);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: bench_memory PROGRAM BARE_WINDOW FOLDER\n");
        return 2;
    }
    const QString program = arguments[1];
    QTemporaryDir home;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.filePath(QStringLiteral("runtime")));
    QDir().mkpath(home.filePath(QStringLiteral("runtime")));
    QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    {
        const QDir samples(arguments[3]);
        QStringList videos;
        for (const QString& name : samples.entryList(QDir::Files, QDir::Name)) {
            videos.append(samples.filePath(name));
        }
        SettingsStore settings(home.filePath(QStringLiteral("config/Quelmar/Lumaveil.conf")));
        settings.WriteSetting(QStringLiteral("Videos"), videos.mid(0, 3).join(QLatin1Char(';')));
        settings.WriteSetting(QStringLiteral("StartStopState"), QStringLiteral("Off"));
        static_cast<void>(settings.saveNow());
    }

    QProcess bare;
    bare.start(arguments[2], {});
    if (!awaitWindow(QStringLiteral("BareWindow"), true)) {
        return 1;
    }
    sleepSeconds(3);
    const Memory bareWindow = memoryOf(bare.processId());
    bare.kill();
    bare.waitForFinished();

    QProcess lumaveil;
    lumaveil.setProcessEnvironment(environment);
    lumaveil.setProcessChannelMode(QProcess::ForwardedChannels);
    lumaveil.start(program, {});
    if (!awaitWindow(QStringLiteral("Lumaveil"), true)) {
        return 1;
    }
    sleepSeconds(3);
    const Memory counting = memoryOf(lumaveil.processId());

    // One showing of twenty seconds, then nine of five, each ended by a key.
    Memory during;
    Memory duringShowing;
    Memory afterOne;
    for (int showing = 0; showing < 10; ++showing) {
        QProcess test;
        test.setProcessEnvironment(environment);
        test.start(program, {QStringLiteral("--test")});
        test.waitForFinished();
        if (!awaitWindow(QStringLiteral("Slideshow"), true)) {
            return 1;
        }
        sleepSeconds(showing == 0 ? 20 : 5);
        if (showing == 0) {
            during = memoryOf(lumaveil.processId());
            for (qint64 child : childrenOf(lumaveil.processId())) {
                const Memory memory = memoryOf(child);
                duringShowing.resident += memory.resident;
                duringShowing.priv += memory.priv;
            }
        }
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")});
        if (!awaitWindow(QStringLiteral("Slideshow"), false)) {
            return 1;
        }
        if (showing == 0) {
            sleepSeconds(6);
            afterOne = memoryOf(lumaveil.processId());
        }
        sleepSeconds(1);
    }
    sleepSeconds(6);
    const Memory afterTen = memoryOf(lumaveil.processId());
    lumaveil.terminate();
    lumaveil.waitForFinished();

    std::printf("memory of %s:\n", qPrintable(program));
    print("a bare Qt window", bareWindow);
    print("the program counting down, before any showing", counting);
    print("the program during a 20 s showing", during);
    print("its showing's process during it", duringShowing);
    print("the program 6 s after the showing", afterOne);
    print("the program 6 s after ten showings", afterTen);
    std::printf("counting down over a bare window: %.2f resident, %.2f private\n",
                counting.resident / bareWindow.resident,
                counting.priv / bareWindow.priv);
    std::printf("after one showing over before: %.2f resident, %.2f private\n",
                afterOne.resident / counting.resident,
                afterOne.priv / counting.priv);
    std::printf("after ten showings over before: %.2f resident, %.2f private\n",
                afterTen.resident / counting.resident,
                afterTen.priv / counting.priv);
    return 0;
}
