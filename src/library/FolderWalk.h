// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/FolderReader.h"

#include <limits>
#include <memory>
#include <string_view>
#include <vector>

namespace FolderWalk {

/**
 * One walk of a work list, in two phases. The first reads every folder once. It reads the top levels breadth first
 * until there are enough folders to share, then readers on several threads each take one of these folders at a time
 * and read everything below it depth first. A folder met again through a link or a bind mount is only referred to,
 * so nothing is read twice and a link loop ends at once. The second phase lays the result out breadth first, level
 * by level, each folder's children in name order, and leaves out every folder that was met before in that order, with
 * all below it.
 */
class Walk
{
public:
    static constexpr int allLevels = std::numeric_limits<int>::max();

    /** A folder of the work list after the walk: a starting path, or a name below an earlier folder. */
    struct Folder
    {
        int parent;            // index of the folder above, or -1 for a starting folder
        std::size_t start;     // for a starting folder: its index in the starting paths
        std::string_view name; // below a parent: the folder's name
        int node;              // the folder as read, or Unlisted for one that could not be read
    };

    Walk(const FileSelection* selection, const FolderScanner::StopFlag* stop)
        : m_shared(selection, stop)
    {
        m_readers.push_back(std::make_unique<Reader>(m_shared, 0));
    }

    /**
     * The work list after the walk, level by level. maxDepth 0 reads the starting folders only, 1 also finds their
     * subfolders, allLevels walks everything below. Each folder comes after its parent.
     */
    std::vector<Folder> run(const std::vector<Bytes>& start, int maxDepth);

    /** The names of the files the selection kept from the folder. */
    template <typename Visit> void forEachFile(const Folder& folder, Visit&& visit) const
    {
        if (folder.node < 0) {
            return;
        }
        const Reader& reader = readerOf(folder.node);
        const Reader::Node& node = reader.node(folder.node);
        for (std::uint32_t i = node.fileBegin; i < node.fileEnd; ++i) {
            visit(reader.file(i));
        }
    }

    std::size_t fileCount() const
    {
        std::size_t count = 0;
        for (const auto& reader : m_readers) {
            count += reader->fileCount();
        }
        return count;
    }

    /** Each folder's path built from its parent's: make(start path) for a starting folder, join(parent, name). */
    template <typename Path, typename Make, typename Join>
    static std::vector<Path>
    paths(const std::vector<Folder>& folders, const std::vector<Bytes>& start, Make&& make, Join&& join)
    {
        std::vector<Path> result;
        result.reserve(folders.size());
        for (const Folder& folder : folders) {
            if (folder.parent < 0) {
                result.push_back(make(start[folder.start]));
            } else {
                result.push_back(join(result[static_cast<std::size_t>(folder.parent)], folder.name));
            }
        }
        return result;
    }

private:
    // A subfolder found but not yet read: the reader and place of its entry in its parent, and its path.
    struct Pending
    {
        int reader;
        std::uint32_t child;
        Bytes path;
        int depth;
    };

    // Below this many folders to read, one thread reads them: more would cost more than they save.
    static constexpr std::size_t shareThreshold = 64;

    Reader& readerOf(int handle)
    {
        return *m_readers[static_cast<std::size_t>(handle % maxReaders)];
    }

    const Reader& readerOf(int handle) const
    {
        return *m_readers[static_cast<std::size_t>(handle % maxReaders)];
    }

    void addChildren(int handle, const Bytes& path, int depth, std::vector<Pending>& pending);

    // Reads level by level on this thread while there are too few folders to share.
    void readTopLevels(std::vector<Pending>& pending, int maxDepth);

    // Readers on several threads take the pending folders one at a time and read all below each.
    void readShared(const std::vector<Pending>& pending, int maxDepth);

    // Breadth first over what was read, each folder once, in the order a level-by-level walk meets them.
    void layOut(std::vector<Folder>& folders) const;

    WalkShared m_shared;
    std::vector<std::unique_ptr<Reader>> m_readers;
};

} // namespace FolderWalk
