// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <string_view>

/** Decides which files of a folder a walk keeps: each kept name goes to a group, and groups come in order. */
class FileSelection
{
public:
    virtual ~FileSelection() = default;
    [[nodiscard]] virtual std::size_t groupCount() const = 0;
    /** The group of the file name, or -1 when the file is not kept. */
    [[nodiscard]] virtual int groupOf(std::string_view name) const = 0;
};

/** The videos of a folder, grouped by extension in the order of the extension list; hidden and "~" files left out. */
class VideoSelection : public FileSelection
{
public:
    // Newer containers come last, so that an older list keeps its order.
    static constexpr std::array<std::string_view, 11> extensions{
        "mkv", "ogg", "wmv", "flv", "avi", "mpg", "mpeg", "mov", "mp4", "webm", "m4v"};

    std::size_t groupCount() const override
    {
        return extensions.size();
    }

    int groupOf(std::string_view name) const override;
};

/** The files of a folder whose names match a wildcard pattern. */
class PatternSelection : public FileSelection
{
public:
    PatternSelection(QString pattern, bool skipHiddenAndTemporary);

    std::size_t groupCount() const override
    {
        return 1;
    }

    int groupOf(std::string_view name) const override;

private:
    QString m_pattern;
    bool m_skipHiddenAndTemporary;
};
