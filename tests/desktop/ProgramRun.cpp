// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ProgramRun.h"

#include "settings/SettingsStore.h"

#include <QDir>

ProgramRun::ProgramRun(const QMap<QString, QString>& settings)
{
    SettingsStore store(settingsFile());
    for (auto it = settings.cbegin(); it != settings.cend(); ++it) {
        store.WriteSetting(it.key(), it.value());
    }
    m_process.setProcessChannelMode(QProcess::ForwardedChannels);
}

ProgramRun::~ProgramRun()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString ProgramRun::settingsFile() const
{
    return m_folder.filePath(QStringLiteral("config/Quelmar/Lumaveil.conf"));
}

QString ProgramRun::setting(const QString& key) const
{
    return SettingsStore(settingsFile()).ReadSetting(key, QStringLiteral("(missing)"));
}

QString ProgramRun::exampleVideos()
{
    const QDir samples(QStringLiteral(LUMAVEIL_SAMPLES_DIR));
    QStringList paths;
    for (const QString& name : samples.entryList(QDir::Files, QDir::Name)) {
        paths.append(samples.filePath(name));
    }
    return paths.join(QLatin1Char(';'));
}

void ProgramRun::start(const QMap<QString, QString>& extra)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (auto it = extra.cbegin(); it != extra.cend(); ++it) {
        environment.insert(it.key(), it.value());
    }
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral(LUMAVEIL_PROGRAM), {});
    m_process.waitForStarted();
}

int ProgramRun::terminate()
{
    m_process.terminate();
    if (!m_process.waitForFinished(20000)) {
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}
