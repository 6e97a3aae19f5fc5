// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/SettingsStore.h"

#include "settings/IniFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLibraryInfo>
#include <QLoggingCategory>
#include <QMap>
#include <QMutex>
#include <QStandardPaths>
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
    KeyEntry{Setting::Screens, "Screens", "Primary", QT_TRANSLATE_NOOP("SettingsStore", "Screens")},
    KeyEntry{Setting::Fade, "Fade", "0", QT_TRANSLATE_NOOP("SettingsStore", "Fade between videos")},
};

const KeyEntry& entryOf(Setting setting)
{
    const auto& entry = keyTable[static_cast<std::size_t>(setting)];
    Q_ASSERT(entry.setting == setting);
    return entry;
}

// Changes that come in while a save runs, or within this time of its start, wait for one save after it. A save of
// a 50,000-entry list takes some 20 ms, so that a change reaches the disk within about 150 ms.
constexpr int saveGapMs = 100;

struct SaveOutcome
{
    quint64 generation = 0;
    QString failure;
    // The values in the file once the save is over; none where it could not be read.
    std::optional<QMap<QString, QString>> file;
};

// The text a reader gets for a key that the file lacks, where that is known.
std::optional<QString> tableDefault(const QString& key)
{
    for (const KeyEntry& entry : keyTable) {
        if (key == QLatin1String(entry.key)) {
            return QString::fromLatin1(entry.defaultText);
        }
    }
    return std::nullopt;
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
 * savedGeneration. A save takes the values changed since the last save that succeeded (their texts are shared, not
 * copied) and, on a thread of its own, reads the file and writes it back with those values put in, so that what was
 * changed in the file meanwhile and not here stays as it is; its outcome comes back to this object's thread.
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

    // The values start as the file holds them. A file that cannot be read is left alone: the values start empty,
    // so that readers get their defaults, and every save fails until the file can be read again.
    void load()
    {
        if (const QString failure = IniFile::read(fileName, onDisk); !failure.isEmpty()) {
            qCWarning(lcSettings).noquote()
                << QStringLiteral("Could not read the settings from %1: %2. Starting with the defaults; the file is "
                                  "left as it is.")
                       .arg(fileName, failure);
            startFailure = QCoreApplication::translate("SettingsStore",
                                                       "It could not read that file, so it started with its own "
                                                       "defaults and leaves the file as it is: %1")
                               .arg(failure);
            failing = true;
            return;
        }
        values = onDisk.values;
        fileValues = onDisk.values;
    }

    void changed(const QString& key)
    {
        if (fileName.isEmpty()) {
            return;
        }
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

    QMap<QString, QString> unsavedValues() const
    {
        QMap<QString, QString> changes;
        for (auto it = changedIn.cbegin(); it != changedIn.cend(); ++it) {
            if (it.value() > savedGeneration) {
                changes.insert(it.key(), values.value(it.key()));
            }
        }
        return changes;
    }

    void startSave()
    {
        if (saving || generation == savedGeneration) {
            return;
        }
        saving = true;
        lastStart.start();
        pool.start([this, changes = unsavedValues(), reached = generation] {
            SaveOutcome done = save(changes, reached);
            {
                QMutexLocker lock(&mutex);
                outcome = std::move(done);
            }
            QMetaObject::invokeMethod(
                &context, [this] { collect(true); }, Qt::QueuedConnection);
        });
    }

    // The file as it is now, with the changes put in. One save at a time: the background one, or saveNow() once
    // that is over.
    SaveOutcome save(const QMap<QString, QString>& changes, quint64 reached)
    {
        SaveOutcome done{reached, {}, {}};
        if (const QString failure = IniFile::read(fileName, onDisk); !failure.isEmpty()) {
            done.failure =
                QCoreApplication::translate("SettingsStore", "It does not replace a file that it cannot read: %1")
                    .arg(failure);
            return done;
        }
        QMap<QString, QString> merged = onDisk.values;
        for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
            merged.insert(it.key(), it.value());
        }
        done.file = onDisk.values;
        if (onDisk.exists && merged == onDisk.values) {
            return done;
        }
        QByteArray data = IniFile::text(merged);
        done.failure = IniFile::replace(fileName, data);
        if (done.failure.isEmpty()) {
            done.file = merged;
            onDisk = {true, std::move(data), std::move(merged)};
        }
        return done;
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
        if (done.file) {
            fileValues = *done.file;
        }
        if (done.failure.isEmpty()) {
            savedGeneration = std::max(savedGeneration, done.generation);
            failing = false;
            return false;
        }
        return !std::exchange(failing, true);
    }

    // A value that the file holds, or that a reader gets where the file lacks the key, is not lost. A file that
    // cannot be read now is taken as it was last read; one never read, as holding no key, as the values started.
    QStringList unsavedKeys() const
    {
        QStringList keys;
        for (auto it = changedIn.cbegin(); it != changedIn.cend(); ++it) {
            if (it.value() <= savedGeneration) {
                continue;
            }
            const auto inFile = fileValues.constFind(it.key());
            const std::optional<QString> read =
                inFile != fileValues.cend()
                    ? *inFile
                    : (fallbacks.contains(it.key()) ? fallbacks.value(it.key()) : tableDefault(it.key()));
            if (read != values.value(it.key())) {
                keys.append(it.key());
            }
        }
        keys.sort();
        return keys;
    }

    void tellStartFailure()
    {
        if (!startFailure.isEmpty() && onFailure) {
            onFailure(std::exchange(startFailure, QString()));
        }
    }

    const QString fileName;
    QMap<QString, QString> values;
    // Values of the user's and the system's files for all of the organisation's programs, and of the system's file
    // for this one, where the user's file lacks the key; never written.
    QMap<QString, QString> fallbacks;
    QHash<QString, quint64> changedIn;
    quint64 generation = 0;
    quint64 savedGeneration = 0;
    bool saving = false;
    bool failing = false;
    std::function<void(const QString&)> onFailure;
    // Why the file could not be read at the start, until told.
    QString startFailure;
    // The values in the file as last read or written.
    QMap<QString, QString> fileValues;
    // The last failure of saveNow() on stderr, not repeated for the same changes.
    quint64 reportedGeneration = 0;
    QString reportedFailure;
    // The file as the saves last saw it; only the one save that runs uses it.
    IniFile::Contents onDisk;

    QObject context;
    QTimer timer;
    QElapsedTimer lastStart;
    QThreadPool pool;
    QMutex mutex;
    std::optional<SaveOutcome> outcome;
};

namespace {

// Where QSettings keeps the user's file of the organisation's program, found without reading it.
QString userFileName()
{
    return QFileInfo(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                     QStringLiteral("/Quelmar/Lumaveil.conf"))
        .absoluteFilePath();
}

} // namespace

SettingsStore::SettingsStore()
    : SettingsStore(userFileName())
{
    // The files QSettings falls back on, first to last; one that cannot be read is passed over.
    const QString systemFolder = QLibraryInfo::path(QLibraryInfo::SettingsPath);
    const QStringList fallbackFiles{QFileInfo(d->fileName).absolutePath() + QStringLiteral(".conf"),
                                    systemFolder + QStringLiteral("/Quelmar/Lumaveil.conf"),
                                    systemFolder + QStringLiteral("/Quelmar.conf")};
    for (const QString& file : fallbackFiles) {
        IniFile::Contents contents;
        if (!IniFile::read(file, contents).isEmpty()) {
            continue;
        }
        for (auto it = contents.values.cbegin(); it != contents.values.cend(); ++it) {
            if (!d->fallbacks.contains(it.key())) {
                d->fallbacks.insert(it.key(), it.value());
            }
        }
    }
}

SettingsStore::SettingsStore(const QString& fileName)
    : d(std::make_unique<Saver>(fileName))
{
    d->load();
}

SettingsStore::SettingsStore(std::unique_ptr<Saver> saver)
    : d(std::move(saver))
{}

std::unique_ptr<SettingsStore> SettingsStore::inMemory(const QMap<QString, QString>& values)
{
    auto saver = std::make_unique<Saver>(QString());
    saver->values = values;
    return std::unique_ptr<SettingsStore>(new SettingsStore(std::move(saver)));
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
    const SaveOutcome done = d->save(d->unsavedValues(), d->generation);
    d->settle(done);
    if (done.failure.isEmpty()) {
        return {};
    }
    const QStringList lost = unsavedKeys();
    const bool told = d->reportedGeneration == d->generation && d->reportedFailure == done.failure;
    d->reportedGeneration = d->generation;
    d->reportedFailure = done.failure;
    if (!told) {
        qCWarning(lcSettings).noquote() << QStringLiteral("Could not save the settings to %1: %2. Not saved: %3")
                                               .arg(d->fileName,
                                                    done.failure,
                                                    lost.isEmpty()
                                                        ? QStringLiteral("nothing that differs from the file")
                                                        : lost.join(QLatin1String(", ")));
    }
    return lost.isEmpty() ? QString() : done.failure;
}

QStringList SettingsStore::unsavedKeys() const
{
    return d->unsavedKeys();
}

void SettingsStore::setSaveFailureHandler(std::function<void(const QString& reason)> handler)
{
    d->onFailure = std::move(handler);
    // Told from the event loop, once the window that shows it is up.
    if (!d->startFailure.isEmpty() && d->onFailure) {
        QTimer::singleShot(0, &d->context, [this] { d->tellStartFailure(); });
    }
}
