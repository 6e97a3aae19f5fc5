// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/RunningCopy.h"
#include "app/ShowingProcess.h"
#include "app/Startup.h"
#include "app/Translations.h"
#include "showing/Confinement.h"
#include "system/HeapTuning.h"

#include <QApplication>
#include <QLocale>

#include <clocale>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>

namespace {

// Said on stderr, where a start from the desktop's autostart leaves it in the session's log.
void report(const QString& problem)
{
    if (problem.isEmpty()) {
        return;
    }
    for (const QString& line : problem.split(u'\n')) {
        std::fprintf(stderr, "lumaveil: %s\n", line.toLocal8Bit().constData());
    }
}

// The process of a showing, which the program starts with its end of their connection: confined before it reads a
// single video.
int runShowing(int argc, char* argv[], int socket, Translations& translations)
{
    // However stuck a showing is, it goes with the program that asked for it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The same picture on every screen passes from one window's OpenGL context to the others'.
    QApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    translations.install(application);
    QApplication::setApplicationName(QStringLiteral("Lumaveil"));
    QApplication::setDesktopFileName(QStringLiteral("org.quelmar.lumaveil"));
    std::setlocale(LC_NUMERIC, "C");
    const Confinement::Outcome confined = Confinement::confine();
    report(confined.failure);
    ShowingProcess showing(socket);
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    limitHeapArenas();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    Translations translations;
    translations.load(QLocale::system(), Translations::folders(Translations::programFolder()));
    if (const QString prefix = QStringLiteral("--showing-fd=");
        arguments.size() == 2 && arguments[1].startsWith(prefix)) {
        bool number = false;
        const int socket = arguments[1].mid(prefix.size()).toInt(&number);
        return number && socket > 2 ? runShowing(argc, argv, socket, translations) : 2;
    }
    const CommandLine line = CommandLine::parse(arguments, &translations);
    if (!line.run) {
        std::fputs(line.output.toLocal8Bit().constData(), stdout);
        std::fputs(line.errors.toLocal8Bit().constData(), stderr);
        return line.exitCode;
    }

    // A copy that runs already takes the commands; this start then ends without touching the settings.
    RunningCopy runningCopy;
    QString problem;
    const RunningCopy::Outcome found = runningCopy.handOver(line.commands, &problem);
    report(problem);
    if (found != RunningCopy::Outcome::NoneRunning) {
        return found == RunningCopy::Outcome::Delivered ? 0 : 1;
    }
    if (line.commands.contains(QLatin1String("quit"))) {
        return 0;
    }

    QApplication application(argc, argv);
    translations.install(application);
    QApplication::setOrganizationName(QStringLiteral("Quelmar"));
    QApplication::setApplicationName(QStringLiteral("Lumaveil"));
    QApplication::setApplicationVersion(QStringLiteral(LUMAVEIL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.quelmar.lumaveil"));
    // Qt sets the locale from the environment; libmpv parses numbers and needs the C convention for them.
    std::setlocale(LC_NUMERIC, "C");
    const RunningCopy::Outcome listening = runningCopy.listen(&problem);
    report(problem);
    if (listening != RunningCopy::Outcome::NoneRunning) {
        return listening == RunningCopy::Outcome::Delivered ? 0 : 1;
    }

    Startup startup;
    startup.run();
    QObject::connect(&runningCopy,
                     &RunningCopy::commandsReceived,
                     &runningCopy,
                     [&startup](const QStringList& commands) { startup.perform(commands); });
    if (!line.commands.isEmpty()) {
        startup.perform(line.commands);
    }
    return QApplication::exec();
}
