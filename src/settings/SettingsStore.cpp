// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>

#include <array>

Q_LOGGING_CATEGORY(lcSettings, "lumaveil.settings", QtWarningMsg)

namespace {

struct KeyEntry
{
    Setting setting;
    const char* key;
    const char* defaultText;
};

constexpr std::array keyTable{
    KeyEntry{Setting::Text3, "Text3", "1"},
    KeyEntry{Setting::Check2, "Check2", "0"},
    KeyEntry{Setting::WindowsStartup, "Windows Startup", "Off"},
    KeyEntry{Setting::Minimized, "Minimized", "Off"},
    KeyEntry{Setting::Option4, "Option4", "1"},
    KeyEntry{Setting::Option5, "Option5", "0"},
    KeyEntry{Setting::StartStopState, "StartStopState", "Off"},
    KeyEntry{Setting::Videos, "Videos", ""},
    KeyEntry{Setting::Listview5, "Listview5", ""},
    KeyEntry{Setting::Extension, "Extension", "txt"},
    KeyEntry{Setting::LastFolder, "LastFolder", ""},
    KeyEntry{Setting::LastFolderDot, "LastFolderDot", ""},
    KeyEntry{Setting::SlideshowInterval, "Slideshow Interval", "10"},
    KeyEntry{Setting::Password, "Password", ""},
    KeyEntry{Setting::PasswordMouseMove, "Password Mouse Move", "0"},
    KeyEntry{Setting::Option1, "Option1", "1"},
    KeyEntry{Setting::Option2, "Option2", "0"},
    KeyEntry{Setting::Check1, "Check1", "0"},
    KeyEntry{Setting::Check4, "Check4", "0"},
    KeyEntry{Setting::DesktopIdle, "Desktop Idle", "0"},
    KeyEntry{Setting::RespectFullScreen, "Respect Full Screen", "1"},
    KeyEntry{Setting::LockSession, "Lock Session", "0"},
};

const KeyEntry& entryOf(Setting setting)
{
    const auto& entry = keyTable[static_cast<std::size_t>(setting)];
    Q_ASSERT(entry.setting == setting);
    return entry;
}

} // namespace

QString settingKey(Setting setting)
{
    return QString::fromLatin1(entryOf(setting).key);
}

QString settingDefault(Setting setting)
{
    return QString::fromLatin1(entryOf(setting).defaultText);
}

SettingsStore::SettingsStore()
    : m_settings(QStringLiteral("Quelmar"), QStringLiteral("Lumaveil"))
{}

SettingsStore::SettingsStore(const QString& fileName)
    : m_settings(fileName, QSettings::NativeFormat)
{}

QString SettingsStore::ReadSetting(Setting setting) const
{
    return ReadSetting(settingKey(setting), settingDefault(setting));
}

QString SettingsStore::ReadSetting(const QString& key, const QString& defaultText) const
{
    const QVariant value = m_settings.value(key);
    if (!value.isValid()) {
        return defaultText;
    }
    // A value edited by hand with an unquoted comma reads back as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1String(", "));
    }
    return value.toString();
}

void SettingsStore::WriteSetting(Setting setting, const QString& text)
{
    WriteSetting(settingKey(setting), text);
}

void SettingsStore::WriteSetting(const QString& key, const QString& text)
{
    makePrivate();
    // An empty text is a value of its own, not an absent key.
    m_settings.setValue(key, text.isNull() ? QString(QLatin1String("")) : text);
    m_settings.sync();
    if (m_settings.status() != QSettings::NoError) {
        qCWarning(lcSettings) << "Could not write" << key << "to" << m_settings.fileName();
    }
}

QString SettingsStore::fileName() const
{
    return m_settings.fileName();
}

// The store holds the password in the clear: the file is created for its owner only, and an older file that others
// could read is closed to them. Later atomic rewrites keep the file's permissions.
void SettingsStore::makePrivate()
{
    if (m_private) {
        return;
    }
    m_private = true;
    const QString name = m_settings.fileName();
    QDir().mkpath(QFileInfo(name).absolutePath());
    QFile file(name);
    constexpr auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    if (!file.exists()) {
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)) {
            file.close();
        }
    } else if (file.permissions() & ~(ownerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser)) {
        file.setPermissions(ownerOnly);
    }
}
