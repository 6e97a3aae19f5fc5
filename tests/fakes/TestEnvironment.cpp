// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestEnvironment.h"

#include <QRegularExpression>

TestEnvironment::TestEnvironment()
    : settings(std::make_unique<SettingsStore>(folder.filePath(QStringLiteral("config/Quelmar/Lumaveil.conf"))))
{
    random.seed(1.0f);
}

Services TestEnvironment::services()
{
    return Services{*settings, dialogs, report, random, playback, folder.filePath(QStringLiteral("program"))};
}

QString TestEnvironment::path(const QString& relative) const
{
    return folder.filePath(relative);
}

QStringList TestEnvironment::reports() const
{
    static const QRegularExpression pattern(
        QStringLiteral("^(.*)\r\nin (\\S+) at line (\\d+)\r\rPlease email screenshot of this message to "));
    QStringList result;
    for (const FakeDialogs::Message& message : dialogs.messages) {
        const QRegularExpressionMatch match = pattern.match(message.text);
        if (message.caption == QLatin1String("Application Error") && match.hasMatch()) {
            result.append(match.captured(2) + QLatin1Char('@') + match.captured(3) + QLatin1String(": ") +
                          match.captured(1));
        }
    }
    return result;
}
