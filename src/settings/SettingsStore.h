// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

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
/** What a person knows the key's value as, for messages; the key itself for a key outside the list above. */
[[nodiscard]] QString settingTitle(const QString& key);

/**
 * The per-user store of text values (organisation "Quelmar", application "Lumaveil"). The values live in memory:
 * a write returns at once, and the file is rewritten in the background, at once for a change after a quiet second
 * and at most about once a second while changes come in. The file is replaced in one step, so that a crash leaves
 * the previous one whole, and it is readable by its owner only, since it holds the screensaver password.
 *
 * A save that fails keeps the values in memory; the next change and saveNow() try again.
 */
class SettingsStore
{
public:
    /** The user's own store. */
    SettingsStore();
    /** A store in the given file; tests use one in a temporary folder. */
    explicit SettingsStore(const QString& fileName);
    /** Saves what is not saved yet, and waits for it. */
    ~SettingsStore();

    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    [[nodiscard]] QString ReadSetting(Setting setting) const;
    [[nodiscard]] QString ReadSetting(const QString& key, const QString& defaultText = {}) const;
    void WriteSetting(Setting setting, const QString& text);
    void WriteSetting(const QString& key, const QString& text);

    [[nodiscard]] QString fileName() const;

    /**
     * Saves what is not saved yet, at once, and waits for it: for the program's end. Returns why the save failed,
     * also on stderr; empty when the file holds every value.
     */
    QString saveNow();
    /** The keys whose latest values the file does not hold. */
    [[nodiscard]] QStringList unsavedKeys() const;
    /**
     * Called with the reason when a background save fails after the last one succeeded, once for each run of
     * failures; saveNow() does not call it. It may open a dialog.
     */
    void setSaveFailureHandler(std::function<void(const QString& reason)> handler);

private:
    class Saver;
    std::unique_ptr<Saver> d;
};
