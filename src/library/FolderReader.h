// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "library/FileSelection.h"
#include "library/FolderIndex.h"
#include "library/FolderScanner.h"

#include <array>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace FolderWalk {

// Paths and names as the system gives them: bytes, decoded only for the names a walk keeps.
using Bytes = std::string;

/** A name kept in a reader's name store. */
struct NameRef
{
    std::uint32_t offset;
    std::uint32_t length;
};

// What a subfolder entry leads to, when it is no folder read in the walk. Folders read have handles of 0 or more.
enum : int
{
    Gone = -1,     // unreadable for lack of permission, or vanished: leaves the work list
    Unlisted = -2, // a folder that could not be listed for another reason: stays, unexpanded
    Left = -3,     // on a pseudo file system: left out with all below it
};

// A folder read by a walk is known by a handle that names the reader which read it and its place there.
constexpr int maxReaders = 4;

inline int makeHandle(int reader, std::size_t index)
{
    return static_cast<int>(index) * maxReaders + reader;
}

/** What the readers of one walk share: the folders read so far, by identity. */
struct WalkShared
{
    WalkShared(const FileSelection* fileSelection, const FolderScanner::StopFlag* stopFlag)
        : selection(fileSelection)
        , stop(stopFlag)
    {}

    bool stopped() const
    {
        return stop && stop->load(std::memory_order_relaxed);
    }

    const FileSelection* selection;
    const FolderScanner::StopFlag* stop;
    PseudoFileSystems pseudo;
    std::mutex mutex;
    FolderIndex index;
};

/**
 * Reads folders for a walk, on one thread. A single pass over a folder's entries finds both its subfolders and its
 * files, trusting the type that the listing reports and looking closer only at links and unknown types. Names live
 * in one store, and each folder's subfolders and files are ranges of two arrays, so that reading allocates little.
 */

class Reader
{
public:
    struct Node
    {
        std::uint32_t childBegin = 0;
        std::uint32_t childEnd = 0;
        std::uint32_t fileBegin = 0;
        std::uint32_t fileEnd = 0;
    };

    struct Child
    {
        NameRef name;
        int node;      // a handle, or Gone, Unlisted or Left
        int task = -1; // read as a task of its own: the walk fills node in afterwards
    };

    struct Classified
    {
        int node;
        bool isNew;
    };

    Reader(WalkShared& shared, int id)
        : m_shared(shared)
        , m_id(id)
    {
        if (shared.selection) {
            m_groups.resize(shared.selection->groupCount());
        }
    }

    static constexpr int openFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

    /** A starting folder: a path that is no folder stays in the work list, unlisted. */
    Classified classifyStart(int fd, const Bytes& path);

    /** What an opened (or unopenable) folder is: one to read, one read before, or no part of the walk. */
    Classified classify(int fd, const Bytes& path, bool isStart = false);

    /** Whether the starting folder last classified lies on a pseudo file system. */
    bool takePseudoStart()
    {
        return std::exchange(m_pseudoStart, false);
    }

    /** One pass over the folder's entries: its usable subfolders when wanted, and the files the selection keeps. */
    void readEntries(int fd, int handle, bool withSubfolders);

    /**
     * Reads everything below a folder this reader has just read, depth first, down to maxDepth levels below the
     * starting folders. Each subfolder is opened relative to its parent, which keeps path lookups short. Takes over
     * fd, the folder's open descriptor.
     */
    void readBelow(int handle, int fd, Bytes path, int depth, int maxDepth);

    const Node& node(int handle) const
    {
        return m_nodes[indexOf(handle)];
    }

    Child& child(std::uint32_t index)
    {
        return m_children[index];
    }

    const Child& child(std::uint32_t index) const
    {
        return m_children[index];
    }

    std::string_view file(std::uint32_t index) const
    {
        return nameOf(m_files[index]);
    }

    std::string_view nameOf(NameRef name) const
    {
        return {m_names.data() + name.offset, name.length};
    }

    std::size_t nodeCount() const
    {
        return m_nodes.size();
    }

    std::size_t fileCount() const
    {
        return m_files.size();
    }

    static std::size_t indexOf(int handle)
    {
        return static_cast<std::size_t>(handle / maxReaders);
    }

private:
    // Deep trees are read with full paths below this depth, so that a reader holds few descriptors.
    static constexpr std::size_t descriptorBudget = 48;

    static bool isGoneError(int error)
    {
        return error == EACCES || error == EPERM || error == ENOENT || error == ENOTDIR;
    }

    // Names are stored with a terminating NUL, so that a stored name can be handed to the system as it stands.
    NameRef store(std::string_view name)
    {
        const NameRef reference{static_cast<std::uint32_t>(m_names.size()), static_cast<std::uint32_t>(name.size())};
        m_names.append(name).push_back('\0');
        return reference;
    }

    WalkShared& m_shared;
    int m_id;
    bool m_pseudoStart = false;
    std::vector<Node> m_nodes;
    std::vector<Child> m_children;
    std::vector<NameRef> m_files;
    std::vector<std::vector<NameRef>> m_groups;
    std::string m_names;
    std::array<char, 32 * 1024> m_buffer;
};

} // namespace FolderWalk
