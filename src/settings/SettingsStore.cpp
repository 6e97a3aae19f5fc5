// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsStore.h"

#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QLoggingCategory>
#include <QMap>
#include <QMutex>
#include <QSettings>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <array>
#include <optional>

Q_LOGGING_CATEGORY(lcSettings, "lumaveil.settings", QtWarningMsg)

namespace {

struct KeyEntry
{
    Setting setting;
    const char* key;
    const char* defaultText;
    // What the user knows the setting as, for messages.
    const char* title;
};

constexpr std::array keyTable{
    KeyEntry{Setting::Text3, "Text3", "1", QT_TRANSLATE_NOOP("SettingsStore", "the minutes of inactivity")},
    KeyEntry{Setting::Check2, "Check2", "0", QT_TRANSLATE_NOOP("SettingsStore", "Disable sound")},
    KeyEntry{Setting::WindowsStartup,
             "Windows Startup",
             "Off",
             QT_TRANSLATE_NOOP("SettingsStore", "Load this software on Windows startup")},
    KeyEntry{Setting::Minimized, "Minimized", "Off", QT_TRANSLATE_NOOP("SettingsStore", "Start in system tray")},
    KeyEntry{Setting::Option4, "Option4", "1", QT_TRANSLATE_NOOP("SettingsStore", "the random option")},
    KeyEntry{Setting::Option5, "Option5", "0", QT_TRANSLATE_NOOP("SettingsStore", "the random option")},
    KeyEntry{Setting::StartStopState,
             "StartStopState",
             "Off",
             QT_TRANSLATE_NOOP("SettingsStore", "whether the screensaver is turned on")},
    KeyEntry{Setting::Videos, "Videos", "", QT_TRANSLATE_NOOP("SettingsStore", "the list of video files")},
    KeyEntry{Setting::Listview5, "Listview5", "", QT_TRANSLATE_NOOP("SettingsStore", "the list of folders")},
    KeyEntry{Setting::Extension,
             "Extension",
             "txt",
             QT_TRANSLATE_NOOP("SettingsStore", "the file extension last asked for")},
    KeyEntry{Setting::LastFolder, "LastFolder", "", QT_TRANSLATE_NOOP("SettingsStore", "the folder last chosen")},
    KeyEntry{Setting::LastFolderDot, "LastFolderDot", "", QT_TRANSLATE_NOOP("SettingsStore", "the folder last chosen")},
    KeyEntry{Setting::SlideshowInterval,
             "Slideshow Interval",
             "10",
             QT_TRANSLATE_NOOP("SettingsStore", "the play length in seconds")},
    KeyEntry{Setting::Password, "Password", "", QT_TRANSLATE_NOOP("SettingsStore", "the password")},
    KeyEntry{Setting::PasswordMouseMove,
             "Password Mouse Move",
             "0",
             QT_TRANSLATE_NOOP("SettingsStore", "Password prompt on mouse click")},
    KeyEntry{Setting::Option1, "Option1", "1", QT_TRANSLATE_NOOP("SettingsStore", "the display option")},
    KeyEntry{Setting::Option2, "Option2", "0", QT_TRANSLATE_NOOP("SettingsStore", "the display option")},
    KeyEntry{Setting::Check1, "Check1", "0", QT_TRANSLATE_NOOP("SettingsStore", "Start at random place in each video")},
    KeyEntry{Setting::Check4, "Check4", "0", QT_TRANSLATE_NOOP("SettingsStore", "the play length option")},
    KeyEntry{Setting::DesktopIdle,
             "Desktop Idle",
             "0",
             QT_TRANSLATE_NOOP("SettingsStore", "Count inactivity on the whole desktop")},
    KeyEntry{Setting::RespectFullScreen,
             "Respect Full Screen",
             "1",
             QT_TRANSLATE_NOOP("SettingsStore", "Not while another program is full screen")},
    KeyEntry{Setting::LockSession,
             "Lock Session",
             "0",
             QT_TRANSLATE_NOOP("SettingsStore", "Lock the session when a showing ends")},
};

const KeyEntry& entryOf(Setting setting)
{
    const auto& entry = keyTable[static_cast<std::size_t>(setting)];
    Q_ASSERT(entry.setting == setting);
    return entry;
}

// Changes that come in while a save runs, or within this time of its start, wait for one save after it.
constexpr int saveGapMs = 1000;

QString textOf(const QVariant& value)
{
    // A value edited by hand with an unquoted comma reads back as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1String(", "));
    }
    return value.toString();
}

QMap<QString, QString> valuesOf(const QSettings& settings)
{
    QMap<QString, QString> values;
    for (const QString& key : settings.allKeys()) {
        values.insert(key, textOf(settings.value(key)));
    }
    return values;
}

struct SaveOutcome
{
    quint64 generation = 0;
    QString failure;
};

} // namespace

QString settingKey(Setting setting)
{
    return QString::fromLatin1(entryOf(setting).key);
}

QString settingDefault(Setting setting)
{
    return QString::fromLatin1(entryOf(setting).defaultText);
}

QString settingTitle(const QString& key)
{
    for (const KeyEntry& entry : keyTable) {
        if (key == QLatin1String(entry.key)) {
            return QCoreApplication::translate("SettingsStore", entry.title);
        }
    }
    return key;
}

/**
 * The values in memory and their way to the file. Every change has a number; the file holds every change up to
 * savedGeneration. A save copies the values (their texts are shared, not copied) and writes them on a thread of its
 * own; its outcome comes back to this object's thread.
 */
class SettingsStore::Saver
{
public:
    explicit Saver(QString file)
        : fileName(std::move(file))
    {
        pool.setMaxThreadCount(1);
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &context, [this] { startSave(); });
    }

    ~Saver()
    {
        pool.waitForDone();
    }

    void changed(const QString& key)
    {
        changedIn.insert(key, ++generation);
        scheduleSave();
    }

    void scheduleSave()
    {
        // A save that runs, or the timer, takes this change along.
        if (saving || timer.isActive()) {
            return;
        }
        // Even at once, the save waits for the event loop, so that the values written together are saved together.
        const qint64 wait = lastStart.isValid() ? saveGapMs - lastStart.elapsed() : 0;
        timer.start(static_cast<int>(std::clamp<qint64>(wait, 0, saveGapMs)));
    }

    void startSave()
    {
        if (saving || generation == savedGeneration) {
            return;
        }
        saving = true;
        lastStart.start();
        pool.start([this, snapshot = values, reached = generation, file = fileName] {
            SaveOutcome done{reached, IniFile::replace(file, IniFile::text(snapshot))};
            {
                QMutexLocker lock(&mutex);
                outcome = std::move(done);
            }
            QMetaObject::invokeMethod(
                &context, [this] { collect(true); }, Qt::QueuedConnection);
        });
    }

    // The outcome of the background save, once; a late queued call finds nothing. From the event loop, a failure
    // that starts a run is told, and changes made while the save ran get one of their own.
    void collect(bool fromEventLoop)
    {
        std::optional<SaveOutcome> done;
        {
            QMutexLocker lock(&mutex);
            done.swap(outcome);
        }
        if (!done) {
            return;
        }
        saving = false;
        if (settle(*done) && fromEventLoop) {
            qCWarning(lcSettings).noquote()
                << QStringLiteral("Could not save the settings to %1: %2").arg(fileName, done->failure);
            if (onFailure) {
                onFailure(done->failure);
            }
        }
        if (fromEventLoop && generation > done->generation && !saving) {
            scheduleSave();
        }
    }

    void waitForSave()
    {
        timer.stop();
        if (saving) {
            pool.waitForDone();
            collect(false);
        }
    }

    // True when this failure starts a run of them.
    bool settle(const SaveOutcome& done)
    {
        if (done.failure.isEmpty()) {
            savedGeneration = std::max(savedGeneration, done.generation);
            failing = false;
            return false;
        }
        return !std::exchange(failing, true);
    }

    QStringList unsavedKeys() const
    {
        QStringList keys;
        for (auto it = changedIn.cbegin(); it != changedIn.cend(); ++it) {
            if (it.value() > savedGeneration) {
                keys.append(it.key());
            }
        }
        keys.sort();
        return keys;
    }

    const QString fileName;
    QMap<QString, QString> values;
    // Values of the system-wide files of the same name, where the user's file lacks the key; never written.
    QMap<QString, QString> fallbacks;
    QHash<QString, quint64> changedIn;
    quint64 generation = 0;
    quint64 savedGeneration = 0;
    bool saving = false;
    bool failing = false;
    std::function<void(const QString&)> onFailure;

    QObject context;
    QTimer timer;
    QElapsedTimer lastStart;
    QThreadPool pool;
    QMutex mutex;
    std::optional<SaveOutcome> outcome;
};

SettingsStore::SettingsStore()
{
    const QSettings withFallbacks(QStringLiteral("Quelmar"), QStringLiteral("Lumaveil"));
    d = std::make_unique<Saver>(withFallbacks.fileName());
    d->values = valuesOf(QSettings(d->fileName, QSettings::IniFormat));
    for (const QString& key : withFallbacks.allKeys()) {
        if (!d->values.contains(key)) {
            d->fallbacks.insert(key, textOf(withFallbacks.value(key)));
        }
    }
}

SettingsStore::SettingsStore(const QString& fileName)
    : d(std::make_unique<Saver>(fileName))
{
    d->values = valuesOf(QSettings(fileName, QSettings::IniFormat));
}

SettingsStore::~SettingsStore()
{
    saveNow();
}

QString SettingsStore::ReadSetting(Setting setting) const
{
    return ReadSetting(settingKey(setting), settingDefault(setting));
}

QString SettingsStore::ReadSetting(const QString& key, const QString& defaultText) const
{
    if (const auto it = d->values.constFind(key); it != d->values.cend()) {
        return *it;
    }
    return d->fallbacks.value(key, defaultText);
}

void SettingsStore::WriteSetting(Setting setting, const QString& text)
{
    WriteSetting(settingKey(setting), text);
}

void SettingsStore::WriteSetting(const QString& key, const QString& text)
{
    // An empty text is a value of its own, not an absent key.
    const QString value = text.isNull() ? QString(QLatin1String("")) : text;
    if (const auto it = d->values.constFind(key); it != d->values.cend() && *it == value) {
        return;
    }
    d->values.insert(key, value);
    d->changed(key);
}

QString SettingsStore::fileName() const
{
    return d->fileName;
}

QString SettingsStore::saveNow()
{
    d->waitForSave();
    if (d->generation == d->savedGeneration) {
        return {};
    }
    const SaveOutcome done{d->generation, IniFile::replace(d->fileName, IniFile::text(d->values))};
    d->settle(done);
    if (!done.failure.isEmpty()) {
        qCWarning(lcSettings).noquote() << QStringLiteral("Could not save the settings to %1: %2. Not saved: %3")
                                               .arg(d->fileName, done.failure, unsavedKeys().join(QLatin1String(", ")));
    }
    return done.failure;
}

QStringList SettingsStore::unsavedKeys() const
{
    return d->unsavedKeys();
}

void SettingsStore::setSaveFailureHandler(std::function<void(const QString& reason)> handler)
{
    d->onFailure = std::move(handler);
}
