// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSettings>
#include <QString>

/** Every key of the settings store, with the text that a reader gets while the key is absent. */
enum class Setting
{
    Text3,
    Check2,
    WindowsStartup,
    Minimized,
    Option4,
    Option5,
    StartStopState,
    Videos,
    Listview5,
    Extension,
    LastFolder,
    LastFolderDot,
    SlideshowInterval,
    Password,
    PasswordMouseMove,
    Option1,
    Option2,
    Check1,
    Check4,
    DesktopIdle,
    RespectFullScreen,
    LockSession,
};

[[nodiscard]] QString settingKey(Setting setting);
[[nodiscard]] QString settingDefault(Setting setting);

/**
 * The per-user store of text values (organisation "Quelmar", application "Lumaveil"). Every write reaches the disk
 * at once, and the file is readable by its owner only, since it holds the screensaver password.
 */
class SettingsStore
{
public:
    /** The user's own store. */
    SettingsStore();
    /** A store in the given file; tests use one in a temporary folder. */
    explicit SettingsStore(const QString& fileName);

    [[nodiscard]] QString ReadSetting(Setting setting) const;
    [[nodiscard]] QString ReadSetting(const QString& key, const QString& defaultText = {}) const;
    void WriteSetting(Setting setting, const QString& text);
    void WriteSetting(const QString& key, const QString& text);

    [[nodiscard]] QString fileName() const;

private:
    void makePrivate();

    mutable QSettings m_settings;
    bool m_private = false;
};
