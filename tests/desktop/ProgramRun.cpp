// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ProgramRun.h"

#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>

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

QMap<QString, QString> ProgramRun::exampleShowing()
{
    return {{QStringLiteral("Videos"), exampleVideos()},
            {QStringLiteral("Option4"), QStringLiteral("False")},
            {QStringLiteral("Option5"), QStringLiteral("True")},
            {QStringLiteral("Check4"), QStringLiteral("1")},
            {QStringLiteral("Slideshow Interval"), QStringLiteral("2")}};
}

QProcessEnvironment ProgramRun::environment(const QMap<QString, QString>& extra) const
{
    const QString runtime = m_folder.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_folder.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    for (auto it = extra.cbegin(); it != extra.cend(); ++it) {
        environment.insert(it.key(), it.value());
    }
    return environment;
}

void ProgramRun::start(const QMap<QString, QString>& extra, const QStringList& arguments)
{
    m_process.setProcessEnvironment(environment(extra));
    m_process.start(QStringLiteral(LUMAVEIL_PROGRAM), arguments);
    m_process.waitForStarted();
}

int ProgramRun::startAgain(const QStringList& arguments)
{
    QProcess again;
    again.setProcessChannelMode(QProcess::ForwardedChannels);
    again.setProcessEnvironment(environment());
    again.start(QStringLiteral(LUMAVEIL_PROGRAM), arguments);
    if (!again.waitForFinished(20000)) {
        again.kill();
        again.waitForFinished();
        return -1;
    }
    return again.exitStatus() == QProcess::NormalExit ? again.exitCode() : -1;
}

int ProgramRun::terminate()
{
    m_process.terminate();
    if (!m_process.waitForFinished(20000)) {
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}
