// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsStore.h"

#include <QDir>
#include <QLoggingCategory>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <array>

Q_LOGGING_CATEGORY(lcSettings, "lumaveil.settings")

namespace {

struct KeySpec
{
    Setting setting;
    const char* key;
    const char* defaultText;
};

constexpr std::array keyTable{
    KeySpec{Setting::Text3, "Text3", "1"},
    KeySpec{Setting::Check2, "Check2", "0"},
    KeySpec{Setting::WindowsStartup, "Windows Startup", "Off"},
    KeySpec{Setting::Minimized, "Minimized", "Off"},
    KeySpec{Setting::Option4, "Option4", "1"},
    KeySpec{Setting::Option5, "Option5", "0"},
    KeySpec{Setting::StartStopState, "StartStopState", "Off"},
    KeySpec{Setting::Videos, "Videos", ""},
    KeySpec{Setting::Listview5, "Listview5", ""},
    KeySpec{Setting::Extension, "Extension", "txt"},
    KeySpec{Setting::LastFolder, "LastFolder", ""},
    KeySpec{Setting::LastFolderDot, "LastFolderDot", ""},
    KeySpec{Setting::SlideshowInterval, "Slideshow Interval", "10"},
    KeySpec{Setting::Password, "Password", ""},
    KeySpec{Setting::PasswordMouseMove, "Password Mouse Move", "0"},
    KeySpec{Setting::Option1, "Option1", "1"},
    KeySpec{Setting::Option2, "Option2", "0"},
    KeySpec{Setting::Check1, "Check1", "0"},
    KeySpec{Setting::Check4, "Check4", "0"},
};

const KeySpec& spec(Setting setting)
{
    const auto& entry = keyTable[static_cast<std::size_t>(setting)];
    Q_ASSERT(entry.setting == setting);
    return entry;
}

} // namespace

QString settingKey(Setting setting)
{
    return QString::fromLatin1(spec(setting).key);
}

QString settingDefault(Setting setting)
{
    return QString::fromLatin1(spec(setting).defaultText);
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
