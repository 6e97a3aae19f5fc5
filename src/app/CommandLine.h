// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

class Translations;

/**
 * The program's command line. Commands are for the running copy, so that a user can bind them to keys or scripts:
 * "test", "on", "off", "show" and "quit", done in the order given.
 */
struct CommandLine
{
    /**
     * What a start with these arguments (the program's name first) does. Its texts are in the language of the
     * translations given, where they are given: the command line is read before the application object exists.
     */
    [[nodiscard]] static CommandLine parse(const QStringList& arguments, const Translations* translations = nullptr);

    /** False when the program ends at once: with output for --help and --version, errors for a wrong argument. */
    bool run = true;
    int exitCode = 0;
    QString output;
    QString errors;
    QStringList commands;
};
