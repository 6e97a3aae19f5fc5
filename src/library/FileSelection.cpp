// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FileSelection.h"

#include "library/FolderScanner.h"
#include "library/NameRules.h"

#include <cstdint>

namespace {

// Each extension as one number, its letters from the most significant byte down: one comparison per extension.
constexpr std::array<std::uint32_t, VideoSelection::extensions.size()> packedExtensions = [] {
    std::array<std::uint32_t, VideoSelection::extensions.size()> result{};
    for (std::size_t i = 0; i < VideoSelection::extensions.size(); ++i) {
        for (const char c : VideoSelection::extensions[i]) {
            result[i] = result[i] << 8 | static_cast<unsigned char>(c);
        }
    }
    return result;
}();

// Letters such as the Kelvin sign fold to ASCII ones; rare enough for the slow comparison.
int nonAsciiGroupOf(std::string_view extension)
{
    const QString text = NameRules::toQString(extension);
    for (std::size_t i = 0; i < VideoSelection::extensions.size(); ++i) {
        const std::string_view candidate = VideoSelection::extensions[i];
        if (text.compare(QLatin1String(candidate.data(), static_cast<qsizetype>(candidate.size())),
                         Qt::CaseInsensitive) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

} // namespace

int VideoSelection::groupOf(std::string_view name) const
{
    if (NameRules::isHiddenOrTemporary(name)) {
        return -1;
    }
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) {
        return -1;
    }
    const std::string_view extension = name.substr(dot + 1);
    if (extension.size() < 3 || extension.size() > 4) {
        return -1;
    }
    std::uint32_t packed = 0;
    for (const char character : extension) {
        const auto c = static_cast<unsigned char>(character);
        if (c >= 0x80) {
            return nonAsciiGroupOf(extension);
        }
        packed = packed << 8 | (c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
    for (std::size_t i = 0; i < extensions.size(); ++i) {
        if (packedExtensions[i] == packed) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

PatternSelection::PatternSelection(QString pattern, bool skipHiddenAndTemporary)
    : m_pattern(std::move(pattern))
    , m_skipHiddenAndTemporary(skipHiddenAndTemporary)
{}

int PatternSelection::groupOf(std::string_view name) const
{
    if (m_skipHiddenAndTemporary && NameRules::isHiddenOrTemporary(name)) {
        return -1;
    }
    return FolderScanner::matchesPattern(NameRules::toQString(name), m_pattern) ? 0 : -1;
}

namespace FolderScanner {

bool matchesPattern(const QString& name, const QString& pattern)
{
    if (pattern == QLatin1String("*.*") || pattern == QLatin1String("*")) {
        return true;
    }
    // Iterative wildcard match; a "*" remembers where to retry when the rest does not fit.
    qsizetype n = 0;
    qsizetype p = 0;
    qsizetype starAt = -1;
    qsizetype retryAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            retryAt = n;
        } else if (p < pattern.size() && (pattern[p] == u'?' || pattern[p].toCaseFolded() == name[n].toCaseFolded())) {
            ++p;
            ++n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++retryAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

} // namespace FolderScanner
