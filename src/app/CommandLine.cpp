// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "app/Translations.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <array>

namespace {

struct Command
{
    const char* name;
    const char* description;
};

constexpr std::array knownCommands{
    Command{"test", QT_TRANSLATE_NOOP("CommandLine", "Show the videos now, as \"Test Screensaver Now\" does.")},
    Command{"on", QT_TRANSLATE_NOOP("CommandLine", "Turn the screensaver on.")},
    Command{"off", QT_TRANSLATE_NOOP("CommandLine", "Turn the screensaver off.")},
    Command{"show", QT_TRANSLATE_NOOP("CommandLine", "Show the main window, also from the notification area.")},
    Command{"quit", QT_TRANSLATE_NOOP("CommandLine", "Close the running copy; the lists are saved.")},
};

constexpr const char* version = LUMAVEIL_VERSION;

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments, const Translations* translations)
{
    const auto text = [translations](const char* sourceText) {
        return translations ? translations->text("CommandLine", sourceText) : QString::fromUtf8(sourceText);
    };
    QCommandLineParser parser;
    parser.setApplicationDescription(
        text(QT_TRANSLATE_NOOP("CommandLine",
                               "Turns your own video files into a screensaver.\n"
                               "A second start hands its command to the copy that runs already; without a command it "
                               "shows the main window.")));
    // "-quit" reads as "--quit", not as four one-letter options.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption showVersion = parser.addVersionOption();
    for (const Command& command : knownCommands) {
        parser.addOption(QCommandLineOption(QString::fromLatin1(command.name), text(command.description)));
    }

    CommandLine line;
    const QString program = arguments.isEmpty() ? QStringLiteral("lumaveil") : QFileInfo(arguments.first()).fileName();
    // Named as it was started, whatever the application object (if any) says.
    QString usage = parser.helpText();
    usage.replace(0, usage.indexOf(u'\n'), text(QT_TRANSLATE_NOOP("CommandLine", "Usage: %1 [options]")).arg(program));
    if (!parser.parse(arguments) || !parser.positionalArguments().isEmpty()) {
        line.run = false;
        line.exitCode = 2;
        const QString problem = parser.positionalArguments().isEmpty()
                                    ? parser.errorText()
                                    : text(QT_TRANSLATE_NOOP("CommandLine", "Unknown argument '%1'."))
                                          .arg(parser.positionalArguments().first());
        line.errors = problem + QStringLiteral("\n\n") + usage;
        return line;
    }
    if (parser.isSet(help)) {
        line.run = false;
        line.output = usage;
        return line;
    }
    if (parser.isSet(showVersion)) {
        line.run = false;
        line.output = QStringLiteral("Lumaveil %1\n").arg(QString::fromLatin1(version));
        return line;
    }
    line.commands = parser.optionNames();
    return line;
}
