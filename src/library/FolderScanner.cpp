// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FolderScanner.h"

#include "library/FileSelection.h"
#include "library/FolderWalk.h"
#include "library/NameRules.h"

#include <QFile>

#include <algorithm>
#include <string_view>
#include <sys/stat.h>
#include <vector>

using namespace NameRules;
using FolderWalk::Bytes;
using FolderWalk::Walk;

namespace {

// Collapses every "//" to "/", scanning once from the left, as NormalizePath does.
Bytes normalized(std::string_view path)
{
    Bytes result;
    result.reserve(path.size());
    for (std::size_t i = 0; i < path.size(); ++i) {
        result.push_back(path[i]);
        if (path[i] == '/' && i + 1 < path.size() && path[i + 1] == '/') {
            ++i;
        }
    }
    return result;
}

Bytes withTrailingSlash(Bytes path)
{
    if (path.empty() || path.back() != '/') {
        path.push_back('/');
    }
    return path;
}

// prefix + name (+ "/"), built in one allocation; ASCII names, the common case, are widened without a decoder.
QString joined(const QString& prefix, std::string_view name, bool withSlash)
{
    const bool ascii =
        std::all_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) {
        QString path = prefix + toQString(name);
        if (withSlash) {
            path.append(QLatin1Char('/'));
        }
        return path;
    }
    const auto nameLength = static_cast<qsizetype>(name.size());
    QString path(prefix.size() + nameLength + (withSlash ? 1 : 0), Qt::Uninitialized);
    QChar* out = std::copy(prefix.cbegin(), prefix.cend(), path.data());
    out = std::transform(name.begin(), name.end(), out, [](char c) { return QChar(static_cast<char16_t>(c)); });
    if (withSlash) {
        *out = u'/';
    }
    return path;
}

// The full paths of the files a walk kept: folder, "/", name, normalised. Names hold no "/", so a folder's path is
// its parent's normalised path, its name and a "/".
void appendFilePaths(const Walk& walk,
                     const std::vector<Bytes>& start,
                     const std::vector<Walk::Folder>& folders,
                     QStringList& paths)
{
    const std::vector<QString> prefixes = Walk::paths<QString>(
        folders,
        start,
        [](const Bytes& path) { return toQString(normalized(path)); },
        [](const QString& parent, std::string_view name) { return joined(parent, name, true); });
    paths.reserve(paths.size() + static_cast<qsizetype>(walk.fileCount()));
    for (std::size_t i = 0; i < folders.size(); ++i) {
        walk.forEachFile(folders[i], [&](std::string_view name) { paths.append(joined(prefixes[i], name, false)); });
    }
}

bool statPath(const QString& path, struct stat& status)
{
    return !path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &status) == 0;
}

} // namespace

namespace FolderScanner {

bool IsFolderPath(const QString& path)
{
    struct stat status = {};
    return statPath(path, status) && S_ISDIR(status.st_mode);
}

bool FileIsPresent(const QString& path)
{
    struct stat status = {};
    return statPath(path, status) && S_ISREG(status.st_mode);
}

bool HasUnusableCharacter(const QString& name)
{
    return !isUsableFolderName(toBytes(name));
}

QString NormalizePath(const QString& path)
{
    QString result;
    result.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        result.append(path[i]);
        if (path[i] == u'/' && i + 1 < path.size() && path[i + 1] == u'/') {
            ++i;
        }
    }
    return result;
}

void GetSubDirectories2016(QStringList& workList, bool recurse, const StopFlag* stop)
{
    std::vector<Bytes> start;
    start.reserve(static_cast<std::size_t>(workList.size()));
    for (const QString& path : workList) {
        start.push_back(toBytes(path));
    }
    Walk walk(nullptr, stop);
    const std::vector<Walk::Folder> folders = walk.run(start, recurse ? Walk::allLevels : 1);
    const std::vector<QString> paths = Walk::paths<QString>(
        folders,
        start,
        [](const Bytes& path) { return toQString(path); },
        [](const QString& parent, std::string_view name) { return joined(parent, name, true); });
    workList = QStringList(paths.begin(), paths.end());
}

QStringList ListFilesByPattern(const QString& folder, const QString& pattern)
{
    const PatternSelection selection(pattern, false);
    Walk walk(&selection, nullptr);
    QStringList names;
    for (const Walk::Folder& listed : walk.run({withTrailingSlash(toBytes(folder))}, 0)) {
        walk.forEachFile(listed, [&](std::string_view name) { names.append(toQString(name)); });
    }
    return names;
}

QStringList playableList(const QStringList& files, const QStringList& folders, const StopFlag* stop)
{
    QStringList playable = files;
    const VideoSelection selection;
    for (const QString& folder : folders) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            break;
        }
        if (folder.isEmpty() || !IsFolderPath(folder)) {
            continue;
        }
        // Each listed folder is walked on its own: a folder listed twice gives its files twice.
        const std::vector<Bytes> start{toBytes(folder) + '/'};
        Walk walk(&selection, stop);
        appendFilePaths(walk, start, walk.run(start, Walk::allLevels), playable);
    }
    return playable;
}

QStringList filesBelow(const QString& folder, const QString& pattern, const StopFlag* stop)
{
    const PatternSelection selection(pattern, true);
    const std::vector<Bytes> start{toBytes(folder) + '/'};
    Walk walk(&selection, stop);
    QStringList paths;
    appendFilePaths(walk, start, walk.run(start, Walk::allLevels), paths);
    return paths;
}

const QStringList& videoExtensions()
{
    static const QStringList list = [] {
        QStringList result;
        for (std::string_view extension : VideoSelection::extensions) {
            result.append(toQString(extension));
        }
        return result;
    }();
    return list;
}

} // namespace FolderScanner
