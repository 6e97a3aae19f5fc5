// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FolderWalk.h"

#include <QThread>

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>
#include <unistd.h>

namespace FolderWalk {

std::vector<Walk::Folder> Walk::run(const std::vector<Bytes>& start, int maxDepth)
{
    std::vector<Folder> folders;
    std::vector<Pending> pending;
    Reader& reader = *m_readers.front();
    for (std::size_t i = 0; i < start.size(); ++i) {
        const int fd = ::open(start[i].c_str(), Reader::openFlags);
        const Reader::Classified folder = reader.classifyStart(fd, start[i]);
        const bool pseudo = reader.takePseudoStart();
        if (folder.node != Gone) {
            folders.push_back({-1, i, {}, folder.node});
        }
        if (folder.isNew) {
            reader.readEntries(fd, folder.node, maxDepth > 0 && !pseudo);
            addChildren(folder.node, start[i], 1, pending);
        }
        if (fd >= 0) {
            ::close(fd);
        }
    }
    readTopLevels(pending, maxDepth);
    readShared(pending, maxDepth);
    layOut(folders);
    return folders;
}

void Walk::addChildren(int handle, const Bytes& path, int depth, std::vector<Pending>& pending)
{
    const Reader& reader = readerOf(handle);
    const Reader::Node& node = reader.node(handle);
    for (std::uint32_t i = node.childBegin; i < node.childEnd; ++i) {
        const std::string_view name = reader.nameOf(reader.child(i).name);
        Bytes childPath;
        childPath.reserve(path.size() + name.size() + 1);
        childPath.append(path).append(name).push_back('/');
        pending.push_back({handle % maxReaders, i, std::move(childPath), depth});
    }
}

void Walk::readTopLevels(std::vector<Pending>& pending, int maxDepth)
{
    Reader& reader = *m_readers.front();
    while (!pending.empty() && pending.size() < shareThreshold && !m_shared.stopped()) {
        std::vector<Pending> next;
        for (const Pending& folder : pending) {
            const int fd = ::open(folder.path.c_str(), Reader::openFlags);
            const Reader::Classified read = reader.classify(fd, folder.path);
            m_readers[static_cast<std::size_t>(folder.reader)]->child(folder.child).node = read.node;
            if (read.isNew) {
                reader.readEntries(fd, read.node, folder.depth < maxDepth);
                addChildren(read.node, folder.path, folder.depth + 1, next);
            }
            if (fd >= 0) {
                ::close(fd);
            }
        }
        pending = std::move(next);
    }
}

void Walk::readShared(const std::vector<Pending>& pending, int maxDepth)
{
    if (pending.empty()) {
        return;
    }
    const int threads = std::clamp(QThread::idealThreadCount(), 1, maxReaders);
    while (static_cast<int>(m_readers.size()) < threads) {
        m_readers.push_back(std::make_unique<Reader>(m_shared, static_cast<int>(m_readers.size())));
    }
    std::vector<int> results(pending.size(), Gone);
    std::atomic<std::size_t> nextTask{0};
    const auto read = [&](Reader& reader) {
        for (std::size_t task = nextTask++; task < pending.size() && !m_shared.stopped(); task = nextTask++) {
            const Pending& folder = pending[task];
            const int fd = ::open(folder.path.c_str(), Reader::openFlags);
            const Reader::Classified classified = reader.classify(fd, folder.path);
            results[task] = classified.node;
            if (!classified.isNew) {
                if (fd >= 0) {
                    ::close(fd);
                }
                continue;
            }
            reader.readEntries(fd, classified.node, folder.depth < maxDepth);
            reader.readBelow(classified.node, fd, folder.path, folder.depth, maxDepth);
        }
    };
    std::vector<std::thread> helpers;
    std::vector<std::exception_ptr> failures(m_readers.size());
    for (std::size_t i = 1; i < m_readers.size(); ++i) {
        helpers.emplace_back([&, i] {
            try {
                read(*m_readers[i]);
            } catch (...) {
                failures[i] = std::current_exception();
            }
        });
    }
    try {
        read(*m_readers.front());
    } catch (...) {
        failures.front() = std::current_exception();
    }
    for (std::thread& helper : helpers) {
        helper.join();
    }
    for (const std::exception_ptr& failure : failures) {
        if (failure) {
            std::rethrow_exception(failure);
        }
    }
    for (std::size_t task = 0; task < pending.size(); ++task) {
        m_readers[static_cast<std::size_t>(pending[task].reader)]->child(pending[task].child).node = results[task];
    }
}

void Walk::layOut(std::vector<Folder>& folders) const
{
    std::vector<std::vector<bool>> seen;
    for (const auto& reader : m_readers) {
        seen.emplace_back(reader->nodeCount(), false);
    }
    const auto firstMeeting = [&](int handle) {
        auto&& flag = seen[static_cast<std::size_t>(handle % maxReaders)][Reader::indexOf(handle)];
        const bool first = !flag;
        flag = true;
        return first;
    };
    for (const Folder& folder : folders) {
        if (folder.node >= 0) {
            firstMeeting(folder.node);
        }
    }
    // The list grows behind the reading position: a queue, so each level follows the one before.
    for (std::size_t at = 0; at < folders.size(); ++at) {
        const int handle = folders[at].node;
        if (handle < 0) {
            continue;
        }
        const Reader& reader = readerOf(handle);
        const Reader::Node& node = reader.node(handle);
        for (std::uint32_t i = node.childBegin; i < node.childEnd; ++i) {
            const Reader::Child& child = reader.child(i);
            if (child.node == Gone || child.node == Left || (child.node >= 0 && !firstMeeting(child.node))) {
                continue;
            }
            folders.push_back({static_cast<int>(at), 0, reader.nameOf(child.name), child.node});
        }
    }
}

} // namespace FolderWalk
