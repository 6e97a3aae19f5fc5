// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/TestEnvironment.h"

#include <QRegularExpression>

TestEnvironment::TestEnvironment()
    : settings(std::make_unique<SettingsStore>(folder.filePath(QStringLiteral("config/Quelmar/Lumaveil.conf"))))
{
    random.seed(1.0f);
    // The autostart entry, too, goes to this folder and never to the user's own.
    qputenv("XDG_CONFIG_HOME", folder.filePath(QStringLiteral("config")).toLocal8Bit());
}

Services TestEnvironment::services()
{
    const auto makePlayer = [this]() -> std::unique_ptr<VideoPlayer> {
        auto player = std::make_unique<FakeVideoPlayer>();
        player->autoStart = true;
        player->unplayable = unplayable;
        players.append(player.get());
        return player;
    };
    return Services{
        *settings, dialogs, report, random, prompter, makePlayer, folder.filePath(QStringLiteral("program"))};
}

FakeVideoPlayer* TestEnvironment::player() const
{
    return players.isEmpty() ? nullptr : players.last().data();
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
