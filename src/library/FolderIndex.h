// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <sys/types.h>
#include <unordered_set>
#include <vector>

/** The identity of a folder, whatever path leads to it: a link or a bind mount shows the same folder twice. */
struct FolderId
{
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

class FolderIndex
{
public:
    /** The node of the folder, or -1. */
    [[nodiscard]] int find(FolderId id) const
    {
        if (m_slots.empty()) {
            return -1;
        }
        for (std::size_t slot = hash(id) & m_mask;; slot = (slot + 1) & m_mask) {
            const Slot& entry = m_slots[slot];
            if (entry.node < 0) {
                return -1;
            }
            if (entry.id == id) {
                return entry.node;
            }
        }
    }

    void insert(FolderId id, int node)
    {
        if ((m_count + 1) * 2 > m_slots.size()) {
            grow();
        }
        std::size_t slot = hash(id) & m_mask;
        while (m_slots[slot].node >= 0) {
            slot = (slot + 1) & m_mask;
        }
        m_slots[slot] = {id, node};
        ++m_count;
    }

private:
    struct Slot
    {
        FolderId id;
        int node = -1;
    };

    static std::size_t hash(FolderId id)
    {
        return (static_cast<std::size_t>(id.inode) ^ (static_cast<std::size_t>(id.device) << 32)) *
                   0x9E3779B97F4A7C15ull >>
               20;
    }

    void grow()
    {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(std::max<std::size_t>(1024, old.size() * 2), Slot{});
        m_mask = m_slots.size() - 1;
        m_count = 0;
        for (const Slot& entry : old) {
            if (entry.node >= 0) {
                insert(entry.id, entry.node);
            }
        }
    }

    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
    std::size_t m_count = 0;
};

/** The devices of the pseudo file systems mounted now (proc, sysfs, ...), whose folders hold kernel state. */
class PseudoFileSystems
{
public:
    /** Reads the mount table once. */
    PseudoFileSystems();

    [[nodiscard]] bool contains(dev_t device) const
    {
        return m_devices.contains(device);
    }

private:
    std::unordered_set<dev_t> m_devices;
};
