// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSettings>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace {

constexpr char upperHex[] = "0123456789ABCDEF";

QString systemReason(int error)
{
    return QString::fromStdString(std::generic_category().message(error));
}

bool isHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Letters, digits and "_-." stay; "/" becomes "\"; everything else is %XX, or %UXXXX beyond Latin-1.
void appendKey(QByteArray& out, QStringView key)
{
    for (const QChar qc : key) {
        const char16_t c = qc.unicode();
        if (c == u'/') {
            out += '\\';
        } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
                   c == u'-' || c == u'.') {
            out += static_cast<char>(c);
        } else if (c <= 0xFF) {
            out += '%';
            out += upperHex[c >> 4];
            out += upperHex[c & 0xF];
        } else {
            out += "%U";
            for (int shift = 12; shift >= 0; shift -= 4) {
                out += upperHex[(c >> shift) & 0xF];
            }
        }
    }
}

const char* escapeOf(char16_t c)
{
    switch (c) {
    case u'\0':
        return "\\0";
    case u'\a':
        return "\\a";
    case u'\b':
        return "\\b";
    case u'\f':
        return "\\f";
    case u'\n':
        return "\\n";
    case u'\r':
        return "\\r";
    case u'\t':
        return "\\t";
    case u'\v':
        return "\\v";
    case u'"':
        return "\\\"";
    case u'\\':
        return "\\\\";
    default:
        return nullptr;
    }
}

// QSettings marks a text that starts with "@" by doubling it, and wraps one that holds U+0000 in @String().
QString markedText(const QString& text)
{
    if (text.contains(QChar::Null)) {
        return QLatin1String("@String(") + text + QLatin1Char(')');
    }
    if (text.startsWith(QLatin1Char('@'))) {
        return QLatin1Char('@') + text;
    }
    return text;
}

// The value as QSettings writes a single text: quoted where a reader would otherwise split it or trim it, control
// characters and the quote escaped, the rest UTF-8. After \0 or \xN, a hex digit is escaped too, since the reader
// would take it as part of the number.
void appendValue(QByteArray& out, const QString& value)
{
    const QString text = markedText(value);
    const bool quoted =
        std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c == u';' || c == u',' || c == u'='; }) ||
        text.startsWith(QLatin1Char(' ')) || text.endsWith(QLatin1Char(' '));
    if (quoted) {
        out += '"';
    }
    qsizetype plainFrom = -1;
    const auto appendPlain = [&](qsizetype end) {
        if (plainFrom >= 0) {
            out += QStringView(text).sliced(plainFrom, end - plainFrom).toUtf8();
            plainFrom = -1;
        }
    };
    bool afterNumber = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (afterNumber && isHexDigit(c)) {
            appendPlain(i);
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        afterNumber = false;
        if (const char* escape = escapeOf(c)) {
            appendPlain(i);
            out += escape;
            afterNumber = c == u'\0';
        } else if (c < 0x20) {
            appendPlain(i);
            out += "\\x" + QByteArray::number(c, 16);
            afterNumber = true;
        } else if (plainFrom < 0) {
            plainFrom = i;
        }
    }
    appendPlain(text.size());
    if (quoted) {
        out += '"';
    }
}

void appendSectionHeader(QByteArray& out, QStringView section)
{
    QByteArray name;
    appendKey(name, section);
    if (name.isEmpty()) {
        out += "[General]\n";
    } else if (name.compare("general", Qt::CaseInsensitive) == 0) {
        // A section of that name would read as the keys without one.
        out += "[%General]\n";
    } else {
        out += '[' + name + "]\n";
    }
}

QString makeFolder(const QString& path)
{
    if (QFileInfo(path).isDir()) {
        return {};
    }
    QString built;
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        built += QLatin1Char('/') + part;
        if (::mkdir(QFile::encodeName(built).constData(), 0777) != 0 && errno != EEXIST) {
            return systemReason(errno);
        }
    }
    return QFileInfo(path).isDir() ? QString() : systemReason(ENOTDIR);
}

// Why a file of this type is not read: opening a named pipe would wait for a writer, a device could be anything.
QString notAFile(mode_t mode)
{
    if (S_ISDIR(mode)) {
        return systemReason(EISDIR);
    }
    if (S_ISFIFO(mode)) {
        return QStringLiteral("Is a named pipe, not a file");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("Is a socket, not a file");
    }
    return QStringLiteral("Is a device, not a file");
}

QString textOf(const QVariant& value)
{
    // A value edited by hand with an unquoted comma reads back as a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QLatin1String(", "));
    }
    return value.toString();
}

// The values in the bytes, as QSettings reads them. It reads a copy in memory, through its name under /proc, so that
// it reads the bytes just read and nothing else. QSettings keeps the files it read and reads one again only when its
// name, size or time in milliseconds changed: each copy has a time of its own.
QString parse(const QByteArray& bytes, QMap<QString, QString>& values)
{
    static std::atomic<qint64> copies = 0;
    const int copy = ::memfd_create("settings", MFD_CLOEXEC);
    if (copy < 0) {
        return systemReason(errno);
    }
    const auto closeAfter = qScopeGuard([copy] { ::close(copy); });
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t written = ::write(copy, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written < 0 && errno != EINTR) {
            return systemReason(errno);
        }
        done += std::max<ssize_t>(written, 0);
    }
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(++copies), 0}};
    if (::futimens(copy, times) != 0) {
        return systemReason(errno);
    }
    const QSettings settings(QStringLiteral("/proc/self/fd/%1").arg(copy), QSettings::IniFormat);
    if (settings.status() == QSettings::AccessError || !QFileInfo::exists(settings.fileName())) {
        return QStringLiteral("Could not read a copy of it in memory");
    }
    values.clear();
    for (const QString& key : settings.allKeys()) {
        values.insert(key, textOf(settings.value(key)));
    }
    return {};
}

// The rename reaches the disk with the folder's own entry list.
void syncFolder(const QString& path)
{
    const int folder = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

} // namespace

namespace IniFile {

QByteArray text(const QMap<QString, QString>& values)
{
    struct Entry
    {
        QStringView section;
        QStringView key;
        const QString* value;
    };
    std::vector<Entry> entries;
    entries.reserve(static_cast<std::size_t>(values.size()));
    qsizetype length = 0;
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        const QStringView full(it.key());
        const qsizetype slash = full.indexOf(QLatin1Char('/'));
        entries.push_back(slash < 0 ? Entry{{}, full, &it.value()}
                                    : Entry{full.first(slash), full.sliced(slash + 1), &it.value()});
        length += full.size() + it.value().size() + 8;
    }
    // The keys without a section first, under [General]; then each section in the order of its name.
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.section.compare(b.section) < 0;
    });

    QByteArray out;
    out.reserve(length + length / 8);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        if (i == 0 || entry.section != entries[i - 1].section) {
            if (i > 0) {
                out += '\n';
            }
            appendSectionHeader(out, entry.section);
        }
        appendKey(out, entry.key);
        out += '=';
        appendValue(out, *entry.value);
        out += '\n';
    }
    return out;
}

QString read(const QString& fileName, Contents& contents)
{
    const QByteArray nativeName = QFile::encodeName(fileName);
    struct stat status = {};
    if (::stat(nativeName.constData(), &status) != 0) {
        const int error = errno;
        if (error == ENOENT && ::lstat(nativeName.constData(), &status) == 0) {
            return QStringLiteral("Is a link to %1, which does not exist").arg(QFile::symLinkTarget(fileName));
        }
        if (error != ENOENT) {
            return systemReason(error);
        }
        contents = {};
        return {};
    }
    if (!S_ISREG(status.st_mode)) {
        return notAFile(status.st_mode);
    }
    // Without waiting, and looked at again once open, in case the name was given to something else meanwhile.
    const int descriptor = ::open(nativeName.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0) {
        return systemReason(errno);
    }
    const auto closeAfter = qScopeGuard([descriptor] { ::close(descriptor); });
    if (::fstat(descriptor, &status) != 0) {
        return systemReason(errno);
    }
    if (!S_ISREG(status.st_mode)) {
        return notAFile(status.st_mode);
    }

    QByteArray bytes;
    bytes.reserve(static_cast<qsizetype>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(descriptor, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return systemReason(errno);
        }
        if (got == 0) {
            break;
        }
        bytes.append(buffer, got);
    }
    // Mostly the file as it was last written here: no need to read its values again.
    if (contents.exists && bytes == contents.bytes) {
        return {};
    }
    QMap<QString, QString> values;
    if (const QString failure = parse(bytes, values); !failure.isEmpty()) {
        return failure;
    }
    contents = {true, std::move(bytes), std::move(values)};
    return {};
}

QString replace(const QString& fileName, const QByteArray& data)
{
    const QString folder = QFileInfo(fileName).absolutePath();
    if (const QString failure = makeFolder(folder); !failure.isEmpty()) {
        return failure;
    }
    // QSaveFile would only say that the file is not writable; access() says why.
    const QByteArray nativeName = QFile::encodeName(fileName);
    if (::access(nativeName.constData(), F_OK) == 0 && ::access(nativeName.constData(), W_OK) != 0) {
        return systemReason(errno);
    }

    QSaveFile file(fileName);
    // Unbuffered: a buffered write that fails at the commit can leave an empty file in place of the old one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return file.errorString();
    }
    const auto fail = [&file](const QString& reason) {
        file.cancelWriting();
        return reason;
    };
    // It holds the password's hash, and may still hold an older clear one: nobody else may read it, not even while
    // it is written.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        return fail(file.errorString());
    }
    // A short write carries no reason; the next attempt fails with one, such as a full disk.
    for (qsizetype done = 0; done < data.size();) {
        const qint64 written = file.write(data.constData() + done, data.size() - done);
        if (written <= 0) {
            return fail(file.errorString());
        }
        done += written;
    }
    // The commit syncs too, but does not tell when that fails.
    if (::fsync(file.handle()) != 0) {
        return fail(systemReason(errno));
    }
    if (!file.commit()) {
        return file.errorString();
    }
    syncFolder(folder);
    return {};
}

} // namespace IniFile
