// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QMap>
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
    Screens,
    Fade,
};

[[nodiscard]] QString settingKey(Setting setting);
[[nodiscard]] QString settingDefault(Setting setting);
/** What a person knows the key's value as, for messages; the key itself for a key outside the list above. */
[[nodiscard]] QString settingTitle(const QString& key);

/**
 * The per-user store of text values (organisation "Quelmar", application "Lumaveil"). The values live in memory:
 * a write returns at once, and the file is written in the background within about a tenth of a second, at most
 * about ten times a second while changes come in. Each save reads the file again and puts in only the values changed
 * here since the last save that succeeded, so that what was changed in the file meanwhile, and not here, stays. The
 * file is replaced in one step, so that a crash leaves the previous one whole, and it is readable by its owner only,
 * since it holds the screensaver password.
 *
 * A save that fails keeps the values in memory; the next change and saveNow() try again. Anything but a regular file,
 * or a link to one, is never opened, and a file that cannot be read is never replaced: the store then starts with
 * the readers' defaults, and every save fails until the file can be read.
 */
class SettingsStore
{
public:
    /** The user's own store. */
    SettingsStore();
    /** A store in the given file; tests use one in a temporary folder. */
    explicit SettingsStore(const QString& fileName);
    /**
     * A store in memory only, that starts with the given values and reads and writes no file: for a showing's
     * process, which is handed the few values it needs and never changes the user's settings.
     */
    [[nodiscard]] static std::unique_ptr<SettingsStore> inMemory(const QMap<QString, QString>& values);
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
     * also on stderr; empty when nothing is lost, since the file holds every value or reads as it.
     */
    QString saveNow();
    /**
     * The keys changed since the last save whose values the file does not hold: a value equal to the file's, or,
     * where the file lacks the key, to the text a reader gets, is not named.
     */
    [[nodiscard]] QStringList unsavedKeys() const;
    /**
     * Called with the reason when a background save fails after the last one succeeded, once for each run of
     * failures, and from the event loop when the file could not be read at the start; saveNow() does not call it.
     * It may open a dialog.
     */
    void setSaveFailureHandler(std::function<void(const QString& reason)> handler);

private:
    class Saver;
    explicit SettingsStore(std::unique_ptr<Saver> saver);

    std::unique_ptr<Saver> d;
};
