// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/StartUp.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

QString autostartEntryPath()
{
    // Qt's configuration location follows XDG_CONFIG_HOME and falls back to ~/.config.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QLatin1String("/autostart/lumaveil.desktop");
}

QString desktopExecArgument(const QString& programPath)
{
    // Inside the quotes, these four characters take a backslash; "%" would start a field code.
    QString quoted;
    quoted.reserve(programPath.size() + 2);
    quoted += u'"';
    for (const QChar c : programPath) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            quoted += u'\\';
        } else if (c == u'%') {
            quoted += u'%';
        }
        quoted += c;
    }
    quoted += u'"';
    // The Exec value is a string value of the entry file as well, where a backslash is escaped once more and line
    // breaks are written as escapes.
    QString value;
    value.reserve(quoted.size());
    for (const QChar c : std::as_const(quoted)) {
        if (c == u'\\') {
            value += QLatin1String("\\\\");
        } else if (c == u'\n') {
            value += QLatin1String("\\n");
        } else if (c == u'\t') {
            value += QLatin1String("\\t");
        } else if (c == u'\r') {
            value += QLatin1String("\\r");
        } else {
            value += c;
        }
    }
    return value;
}

QString autostartEntry(const QString& programPath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Lumaveil\n"
                          "Comment=Turn your own video files into a screensaver\n"
                          "Exec=%1\n"
                          "Icon=lumaveil\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(desktopExecArgument(programPath));
}

QString AddToStartup()
{
    const QString programPath = QCoreApplication::applicationFilePath();
    if (programPath.isEmpty()) {
        return QCoreApplication::translate("StartUp", "The program's own file could not be found.");
    }
    const QString path = autostartEntryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return QCoreApplication::translate("StartUp", "The folder %1 could not be made.")
            .arg(QFileInfo(path).absolutePath());
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(autostartEntry(programPath).toUtf8()) < 0 ||
        !file.commit()) {
        return QCoreApplication::translate("StartUp", "%1 could not be written: %2").arg(path, file.errorString());
    }
    return {};
}

QString RemoveFromStartup()
{
    QFile file(autostartEntryPath());
    if (!file.exists() || file.remove()) {
        return {};
    }
    return QCoreApplication::translate("StartUp", "%1 could not be removed: %2")
        .arg(file.fileName(), file.errorString());
}
