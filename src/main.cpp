// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "app/RunningCopy.h"
#include "app/Startup.h"
#include "app/Translations.h"
#include "platform/HeapTuning.h"

#include <QApplication>
#include <QLocale>

#include <clocale>
#include <cstdio>

int main(int argc, char* argv[])
{
    limitHeapArenas();
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    Translations translations;
    translations.load(QLocale::system(), Translations::folders(Translations::programFolder()));
    const CommandLine line = CommandLine::parse(arguments, &translations);
    if (!line.run) {
        std::fputs(line.output.toLocal8Bit().constData(), stdout);
        std::fputs(line.errors.toLocal8Bit().constData(), stderr);
        return line.exitCode;
    }

    // A copy that runs already takes the commands; this start then ends without touching the settings.
    RunningCopy runningCopy;
    QString error;
    switch (runningCopy.handOver(line.commands, &error)) {
    case RunningCopy::Outcome::Delivered:
        return 0;
    case RunningCopy::Outcome::Failed:
        std::fprintf(stderr, "lumaveil: %s\n", qPrintable(error));
        return 1;
    case RunningCopy::Outcome::NoneRunning:
        break;
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
    if (!runningCopy.listen(&error)) {
        std::fprintf(stderr, "lumaveil: later starts cannot reach this one: %s\n", qPrintable(error));
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
