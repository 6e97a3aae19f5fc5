// SPDX-License-Identifier: GPL-3.0-or-later
// GLib first: Qt's "signals" keyword would stand for a member name in its headers.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

#include "desktop/DesktopLockSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <memory>

namespace {

constexpr qint64 msPerSecond = 1000;
constexpr qint64 msPerMinute = 60 * msPerSecond;

// kscreenlockersettings.kcfg of Plasma 5.27: minutes, 5 unless set, at least 1.
constexpr double kdeDefaultMinutes = 5;
constexpr double kdeLeastMinutes = 1;
// xscreensaver 6 blanks after 10 minutes unless set, and takes a timeout that it cannot read, or one under 5 seconds,
// for 10 hours.
constexpr qint64 xscreensaverDefaultTimeoutMs = 10 * msPerMinute;
constexpr qint64 xscreensaverBrokenTimeoutMs = 10 * 60 * msPerMinute;
constexpr qint64 xscreensaverLeastTimeoutMs = 5 * msPerSecond;
// Longer than any desktop would count: a value past it is no time that a showing could reach.
constexpr qint64 longestMs = qint64(1) << 50;

QString readText(const QString& path)
{
    QFile file(path);
    // Only a plain file: a pipe or a device in its place could hold the showing up.
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        return {};
    }
    // A settings file of a megabyte is broken already; the rest of it is not read.
    return QString::fromUtf8(file.read(1 << 20));
}

QString configHome()
{
    const QString set = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(set) ? set : QDir::homePath() + QLatin1String("/.config");
}

// KConfig's reading of a truth value; anything else keeps the default.
std::optional<bool> kdeBoolean(const QString& text)
{
    const QString value = text.toLower();
    if (value == QLatin1String("true") || value == QLatin1String("on") || value == QLatin1String("yes")) {
        return true;
    }
    if (value == QLatin1String("false") || value == QLatin1String("off") || value == QLatin1String("no")) {
        return false;
    }
    bool isNumber = false;
    const int number = value.toInt(&isNumber);
    return isNumber ? std::optional<bool>(number != 0) : std::nullopt;
}

// xscreensaver's durations: H:MM:SS, :MM:SS, M:SS, :SS, or a bare number of minutes.
std::optional<qint64> xscreensaverDuration(QString text)
{
    text.remove(QLatin1Char(' ')).remove(QLatin1Char('\t'));
    const QStringList parts = text.split(QLatin1Char(':'));
    static const QRegularExpression number(QStringLiteral("^\\d{1,9}$"));
    static const QRegularExpression twoDigits(QStringLiteral("^\\d{1,2}$"));
    if (parts.size() > 3 || !number.match(parts.last()).hasMatch()) {
        return std::nullopt;
    }
    if (parts.size() == 1) {
        return parts[0].toLongLong() * msPerMinute;
    }
    // Before the last part, a part may be left out: ":SS", ":MM:SS".
    const auto optionalPart = [&](const QString& part, const QRegularExpression& form) {
        return part.isEmpty() || form.match(part).hasMatch();
    };
    const QString hoursText = parts.size() == 3 ? parts[0] : QString();
    const QString& minutesText = parts[parts.size() - 2];
    if (!optionalPart(hoursText, number) || !optionalPart(minutesText, parts.size() == 3 ? twoDigits : number) ||
        !twoDigits.match(parts.last()).hasMatch()) {
        return std::nullopt;
    }
    const qint64 hours = hoursText.toLongLong();
    const qint64 minutes = minutesText.toLongLong();
    const qint64 seconds = parts.last().toLongLong();
    // Seconds past a minute, or minutes past an hour, are read only where nothing larger is given.
    if ((seconds >= 60 && (hours != 0 || minutes != 0)) || (minutes >= 60 && hours != 0)) {
        return std::nullopt;
    }
    return ((hours * 60 + minutes) * 60 + seconds) * msPerSecond;
}

struct GObjectUnref
{
    void operator()(gpointer object) const
    {
        g_object_unref(object);
    }
};
using Settings = std::unique_ptr<GSettings, GObjectUnref>;

// g_settings_new() ends the program where the schema is missing: the schema is looked up first.
Settings gnomeSettings(const char* schemaId, std::initializer_list<const char*> keys)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, schemaId, TRUE) : nullptr;
    if (!schema) {
        return nullptr;
    }
    bool complete = true;
    for (const char* key : keys) {
        complete = complete && g_settings_schema_has_key(schema, key);
    }
    Settings settings(complete ? g_settings_new_full(schema, nullptr, nullptr) : nullptr);
    g_settings_schema_unref(schema);
    return settings;
}

} // namespace

namespace DesktopLockSettings {

std::optional<qint64> gnomeLockAfterMs(const GnomeValues& values)
{
    if (!values.lockEnabled || values.lockDisabled || values.idleDelay == 0) {
        return std::nullopt;
    }
    return (qint64(values.idleDelay) + values.lockDelay) * msPerSecond;
}

std::optional<GnomeValues> readGnome()
{
    const Settings session = gnomeSettings("org.gnome.desktop.session", {"idle-delay"});
    const Settings screensaver = gnomeSettings("org.gnome.desktop.screensaver", {"lock-enabled", "lock-delay"});
    if (!session || !screensaver) {
        return std::nullopt;
    }
    GnomeValues values;
    values.idleDelay = g_settings_get_uint(session.get(), "idle-delay");
    values.lockEnabled = g_settings_get_boolean(screensaver.get(), "lock-enabled");
    values.lockDelay = g_settings_get_uint(screensaver.get(), "lock-delay");
    if (const Settings lockdown = gnomeSettings("org.gnome.desktop.lockdown", {"disable-lock-screen"})) {
        values.lockDisabled = g_settings_get_boolean(lockdown.get(), "disable-lock-screen");
    }
    return values;
}

std::optional<qint64> kdeLockAfterMs(const QStringList& fileTexts)
{
    bool autolock = true;
    double minutes = kdeDefaultMinutes;
    for (const QString& text : fileTexts) {
        bool inDaemon = false;
        for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
            line = line.trimmed();
            if (line.startsWith(QLatin1Char('['))) {
                // "[Daemon][$i]" is the group made immutable.
                inDaemon = line == QLatin1String("[Daemon]") || line == QLatin1String("[Daemon][$i]");
                continue;
            }
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            if (!inDaemon || equals < 0) {
                continue;
            }
            QStringView key = line.left(equals).trimmed();
            // Options such as [$i] belong to the key; a language in brackets makes it another entry.
            if (key.endsWith(QLatin1String("[$i]"))) {
                key.chop(4);
            }
            const QString value = line.mid(equals + 1).trimmed().toString();
            if (key == QLatin1String("Autolock")) {
                autolock = kdeBoolean(value).value_or(true);
            } else if (key == QLatin1String("Timeout")) {
                // Whole minutes in Plasma 5, a fraction allowed since; text that is no number leaves the default.
                bool isNumber = false;
                const double read = value.toDouble(&isNumber);
                minutes = isNumber && std::isfinite(read) ? std::max(read, kdeLeastMinutes) : kdeDefaultMinutes;
            }
        }
    }
    if (!autolock || minutes * msPerMinute > double(longestMs)) {
        return std::nullopt;
    }
    return qint64(std::llround(minutes * msPerMinute));
}

std::optional<qint64> readKde()
{
    QStringList texts;
    QStringList systemFolders = qEnvironmentVariable("XDG_CONFIG_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (systemFolders.isEmpty()) {
        systemFolders.append(QStringLiteral("/etc/xdg"));
    }
    // The first folder named weighs most, so it is read last.
    for (auto folder = systemFolders.crbegin(); folder != systemFolders.crend(); ++folder) {
        texts.append(readText(*folder + QLatin1String("/kscreenlockerrc")));
    }
    texts.append(readText(configHome() + QLatin1String("/kscreenlockerrc")));
    return kdeLockAfterMs(texts);
}

std::optional<qint64> xscreensaverLockAfterMs(const QString& fileText)
{
    bool lock = false;
    bool off = false;
    qint64 timeoutMs = xscreensaverDefaultTimeoutMs;
    qint64 lockTimeoutMs = 0;
    // A backslash at the end of a line carries the value on to the next one.
    QString text = fileText;
    text.replace(QLatin1String("\\\n"), QLatin1String(" "));
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (line.startsWith(QLatin1Char('!')) || line.startsWith(QLatin1Char('#')) || colon < 0) {
            continue;
        }
        const QStringView name = line.left(colon).trimmed();
        const QString value = line.mid(colon + 1).trimmed().toString();
        if (name == QLatin1String("lock")) {
            // xscreensaver 6 takes only "True" for true.
            lock = value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        } else if (name == QLatin1String("mode")) {
            off = value == QLatin1String("off");
        } else if (name == QLatin1String("timeout")) {
            const std::optional<qint64> read = xscreensaverDuration(value);
            timeoutMs = read && *read >= xscreensaverLeastTimeoutMs ? *read : xscreensaverBrokenTimeoutMs;
        } else if (name == QLatin1String("lockTimeout")) {
            lockTimeoutMs = xscreensaverDuration(value).value_or(0);
        }
    }
    if (!lock || off) {
        return std::nullopt;
    }
    return timeoutMs + lockTimeoutMs;
}

std::optional<qint64> readXScreenSaver()
{
    return xscreensaverLockAfterMs(readText(QDir::homePath() + QLatin1String("/.xscreensaver")));
}

} // namespace DesktopLockSettings
