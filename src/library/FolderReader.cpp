// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FolderReader.h"

#include "library/NameOrder.h"
#include "library/NameRules.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FolderWalk {

using namespace NameRules;

Reader::Classified Reader::classifyStart(int fd, const Bytes& path)
{
    if (fd < 0 && !FolderScanner::IsFolderPath(toQString(path))) {
        return {Unlisted, false};
    }
    return classify(fd, path, true);
}

Reader::Classified Reader::classify(int fd, const Bytes& path, bool isStart)
{
    if (fd < 0) {
        const int error = errno;
        if (isGoneError(error)) {
            return {Gone, false};
        }
        return {FolderScanner::IsFolderPath(toQString(path)) ? Unlisted : Gone, false};
    }
    struct stat status = {};
    if (::fstat(fd, &status) != 0) {
        return {Unlisted, false};
    }
    // A starting folder on a pseudo file system keeps its place and its files but is not expanded.
    if (m_shared.pseudo.contains(status.st_dev)) {
        if (!isStart) {
            return {Left, false};
        }
        m_pseudoStart = true;
    }
    const FolderId id{status.st_dev, status.st_ino};
    const std::lock_guard lock(m_shared.mutex);
    if (const int known = m_shared.index.find(id); known >= 0) {
        return {known, false};
    }
    const int handle = makeHandle(m_id, m_nodes.size());
    m_nodes.emplace_back();
    m_shared.index.insert(id, handle);
    return {handle, true};
}

void Reader::readEntries(int fd, int handle, bool withSubfolders)
{
    Node& node = m_nodes[indexOf(handle)];
    node.childBegin = node.childEnd = static_cast<std::uint32_t>(m_children.size());
    node.fileBegin = node.fileEnd = static_cast<std::uint32_t>(m_files.size());
    const FileSelection* selection = m_shared.selection;
    if (!withSubfolders && !selection) {
        return;
    }
    for (;;) {
        const ssize_t size = ::getdents64(fd, m_buffer.data(), m_buffer.size());
        if (size <= 0) {
            break;
        }
        for (ssize_t offset = 0; offset < size;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(m_buffer.data() + offset);
            offset += entry->d_reclen;
            const std::string_view name(entry->d_name);
            if (isDotOrDotDot(name)) {
                continue;
            }
            unsigned char type = entry->d_type;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                struct stat target = {};
                if (::fstatat(fd, entry->d_name, &target, 0) != 0) {
                    continue;
                }
                type = S_ISDIR(target.st_mode) ? DT_DIR : S_ISREG(target.st_mode) ? DT_REG : DT_UNKNOWN;
            }
            if (type == DT_DIR) {
                if (withSubfolders && isUsableFolderName(name)) {
                    m_children.push_back({store(name), Gone});
                }
            } else if (type == DT_REG && selection && isValidName(name)) {
                const int group = selection->groupOf(name);
                if (group >= 0) {
                    m_groups[static_cast<std::size_t>(group)].push_back(store(name));
                }
            }
        }
    }
    // The listing comes in the file system's own order (hash order on ext4); people expect name order.
    const auto byName = [this](NameRef a, NameRef b) { return NameOrder::less(nameOf(a), nameOf(b)); };
    std::sort(m_children.begin() + node.childBegin, m_children.end(), [&](const Child& a, const Child& b) {
        return byName(a.name, b.name);
    });
    for (auto& group : m_groups) {
        std::sort(group.begin(), group.end(), byName);
        m_files.insert(m_files.end(), group.begin(), group.end());
        group.clear();
    }
    node.childEnd = static_cast<std::uint32_t>(m_children.size());
    node.fileEnd = static_cast<std::uint32_t>(m_files.size());
}

void Reader::readBelow(int handle, int fd, Bytes path, int depth, int maxDepth)
{
    struct Frame
    {
        int node;
        int fd;
        Bytes path;
        std::uint32_t next;
        int depth;
    };
    std::vector<Frame> stack;
    stack.push_back({handle, fd, std::move(path), m_nodes[indexOf(handle)].childBegin, depth});
    while (!stack.empty()) {
        Frame& top = stack.back();
        if (top.next == m_nodes[indexOf(top.node)].childEnd || m_shared.stopped()) {
            if (top.fd >= 0) {
                ::close(top.fd);
            }
            stack.pop_back();
            continue;
        }
        const std::uint32_t childIndex = top.next++;
        const std::string_view name = nameOf(m_children[childIndex].name);
        Bytes childPath;
        childPath.reserve(top.path.size() + name.size() + 1);
        childPath.append(top.path).append(name).push_back('/');
        const int childFd =
            top.fd >= 0 ? ::openat(top.fd, name.data(), openFlags) : ::open(childPath.c_str(), openFlags);
        const Classified child = classify(childFd, childPath);
        m_children[childIndex].node = child.node;
        if (!child.isNew) {
            if (childFd >= 0) {
                ::close(childFd);
            }
            continue;
        }
        const int childDepth = top.depth + 1;
        readEntries(childFd, child.node, childDepth < maxDepth);
        const std::uint32_t firstChild = m_nodes[indexOf(child.node)].childBegin;
        if (stack.size() < descriptorBudget) {
            stack.push_back({child.node, childFd, std::move(childPath), firstChild, childDepth});
        } else {
            ::close(childFd);
            stack.push_back({child.node, -1, std::move(childPath), firstChild, childDepth});
        }
    }
}

} // namespace FolderWalk
