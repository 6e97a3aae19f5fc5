// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FolderScanner.h"

#include <QFile>
#include <QThread>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

using Bytes = std::string;

// File systems whose folders hold kernel state rather than anybody's files.
constexpr std::array pseudoFileSystemTypes{
    std::string_view("proc"),        std::string_view("sysfs"),    std::string_view("devtmpfs"),
    std::string_view("devpts"),      std::string_view("cgroup"),   std::string_view("cgroup2"),
    std::string_view("debugfs"),     std::string_view("tracefs"),  std::string_view("securityfs"),
    std::string_view("pstore"),      std::string_view("bpf"),      std::string_view("configfs"),
    std::string_view("fusectl"),     std::string_view("mqueue"),   std::string_view("hugetlbfs"),
    std::string_view("binfmt_misc"), std::string_view("efivarfs"), std::string_view("selinuxfs"),
    std::string_view("rpc_pipefs"),  std::string_view("nsfs"),
};

/** The devices of the pseudo file systems mounted now, read once per walk. */
class PseudoFileSystems
{
public:
    PseudoFileSystems()
    {
        // Each line: id parent major:minor root mount-point options [optional fields] - type source options
        std::ifstream mountInfo("/proc/self/mountinfo");
        std::string line;
        while (std::getline(mountInfo, line)) {
            unsigned major = 0;
            unsigned minor = 0;
            if (std::sscanf(line.c_str(), "%*u %*u %u:%u", &major, &minor) != 2) {
                continue;
            }
            const auto separator = line.find(" - ");
            if (separator == std::string::npos) {
                continue;
            }
            const auto typeStart = separator + 3;
            const std::string_view type(line.data() + typeStart, line.find(' ', typeStart) - typeStart);
            if (std::find(pseudoFileSystemTypes.begin(), pseudoFileSystemTypes.end(), type) !=
                pseudoFileSystemTypes.end()) {
                m_devices.insert(makedev(major, minor));
            }
        }
    }

    bool contains(dev_t device) const
    {
        return m_devices.contains(device);
    }

private:
    std::unordered_set<dev_t> m_devices;
};

struct FolderId
{
    dev_t device;
    ino_t inode;
    bool operator==(const FolderId&) const = default;
};

/** The folders a walk has read, by identity: an open-addressing table, as a walk asks it once per folder. */
class FolderIndex
{
public:
    /** The node of the folder, or -1. */
    int find(FolderId id) const
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

// Decodes one UTF-8 sequence at text[i]; returns the code point and advances i, or nullopt for invalid bytes.
std::optional<char32_t> decodeUtf8(std::string_view text, std::size_t& i)
{
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char first = byte(i);
    if (first < 0x80) {
        ++i;
        return first;
    }
    int length = 0;
    char32_t point = 0;
    char32_t smallest = 0;
    if ((first & 0xE0) == 0xC0) {
        length = 2;
        point = first & 0x1F;
        smallest = 0x80;
    } else if ((first & 0xF0) == 0xE0) {
        length = 3;
        point = first & 0x0F;
        smallest = 0x800;
    } else if ((first & 0xF8) == 0xF0) {
        length = 4;
        point = first & 0x07;
        smallest = 0x10000;
    } else {
        return std::nullopt;
    }
    if (i + length > text.size()) {
        return std::nullopt;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80) {
            return std::nullopt;
        }
        point = (point << 6) | (next & 0x3F);
    }
    if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF)) {
        return std::nullopt;
    }
    i += length;
    return point;
}

bool isUnusableCharacter(char32_t point)
{
    return point < 32 || (point >= 127 && point <= 159) || point == U'?';
}

bool isValidName(std::string_view name)
{
    for (std::size_t i = 0; i < name.size();) {
        if (static_cast<unsigned char>(name[i]) < 0x80) {
            ++i;
        } else if (!decodeUtf8(name, i)) {
            return false;
        }
    }
    return true;
}

bool isUsableFolderName(std::string_view name)
{
    for (std::size_t i = 0; i < name.size();) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte < 0x80) {
            if (isUnusableCharacter(byte)) {
                return false;
            }
            ++i;
            continue;
        }
        const auto point = decodeUtf8(name, i);
        if (!point || isUnusableCharacter(*point)) {
            return false;
        }
    }
    return true;
}

bool isDotOrDotDot(std::string_view name)
{
    return name[0] == '.' && (name.size() == 1 || (name.size() == 2 && name[1] == '.'));
}

bool isHiddenOrTemporary(std::string_view name)
{
    return !name.empty() && (name.front() == '.' || name.front() == '~');
}

QString toQString(std::string_view bytes)
{
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

Bytes toBytes(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

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

/** Decides which files of a folder a walk keeps: each kept name goes to a group, and groups come in order. */
class FileSelection
{
public:
    virtual ~FileSelection() = default;
    [[nodiscard]] virtual std::size_t groupCount() const = 0;
    /** The group of the file name, or -1 when the file is not kept. */
    [[nodiscard]] virtual int groupOf(std::string_view name) const = 0;
};

/** The videos of a folder, grouped by extension in the order of the extension list. */
class VideoSelection : public FileSelection
{
public:
    static constexpr std::array<std::string_view, 9> extensions{
        "mkv", "ogg", "wmv", "flv", "avi", "mpg", "mpeg", "mov", "mp4"};

    std::size_t groupCount() const override
    {
        return extensions.size();
    }

    int groupOf(std::string_view name) const override
    {
        if (isHiddenOrTemporary(name)) {
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

private:
    // Each extension as one number, its letters from the most significant byte down: one comparison per extension.
    static constexpr std::array<std::uint32_t, extensions.size()> packedExtensions = [] {
        std::array<std::uint32_t, extensions.size()> result{};
        for (std::size_t i = 0; i < extensions.size(); ++i) {
            for (const char c : extensions[i]) {
                result[i] = result[i] << 8 | static_cast<unsigned char>(c);
            }
        }
        return result;
    }();

    // Letters such as the Kelvin sign fold to ASCII ones; rare enough for the slow comparison.
    static int nonAsciiGroupOf(std::string_view extension)
    {
        const QString text = toQString(extension);
        for (std::size_t i = 0; i < extensions.size(); ++i) {
            const QLatin1String candidate(extensions[i].data(), static_cast<qsizetype>(extensions[i].size()));
            if (text.compare(candidate, Qt::CaseInsensitive) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
};

/** The files of a folder whose names match a wildcard pattern, in directory order. */
class PatternSelection : public FileSelection
{
public:
    PatternSelection(QString pattern, bool skipHiddenAndTemporary)
        : m_pattern(std::move(pattern))
        , m_skipHiddenAndTemporary(skipHiddenAndTemporary)
    {}

    std::size_t groupCount() const override
    {
        return 1;
    }

    int groupOf(std::string_view name) const override
    {
        if (m_skipHiddenAndTemporary && isHiddenOrTemporary(name)) {
            return -1;
        }
        return FolderScanner::matchesPattern(toQString(name), m_pattern) ? 0 : -1;
    }

private:
    QString m_pattern;
    bool m_skipHiddenAndTemporary;
};

/** A name kept in a walk's name store. */
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

int makeHandle(int reader, std::size_t index)
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
    Classified classifyStart(int fd, const Bytes& path)
    {
        if (fd < 0 && !FolderScanner::IsFolderPath(toQString(path))) {
            return {Unlisted, false};
        }
        return classify(fd, path, true);
    }

    /** What an opened (or unopenable) folder is: one to read, one read before, or no part of the walk. */
    Classified classify(int fd, const Bytes& path, bool isStart = false)
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

    /** Whether the starting folder last classified lies on a pseudo file system. */
    bool takePseudoStart()
    {
        return std::exchange(m_pseudoStart, false);
    }

    /** One pass over the folder's entries: its usable subfolders when wanted, and the files the selection keeps. */
    void readEntries(int fd, int handle, bool withSubfolders)
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
        for (auto& group : m_groups) {
            m_files.insert(m_files.end(), group.begin(), group.end());
            group.clear();
        }
        node.childEnd = static_cast<std::uint32_t>(m_children.size());
        node.fileEnd = static_cast<std::uint32_t>(m_files.size());
    }

    /**
     * Reads everything below a folder this reader has just read, depth first, down to maxDepth levels below the
     * starting folders. Each subfolder is opened relative to its parent, which keeps path lookups short. Takes over
     * fd, the folder's open descriptor.
     */
    void readBelow(int handle, int fd, Bytes path, int depth, int maxDepth)
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

/**
 * One walk of a work list, in two phases. The first reads every folder once. It reads the top levels breadth first
 * until there are enough folders to share, then readers on several threads each take one of these folders at a time
 * and read everything below it depth first. A folder met again through a link or a bind mount is only referred to,
 * so nothing is read twice and a link loop ends at once. The second phase lays the result out breadth first, level
 * by level, in directory order, and leaves out every folder that was met before in that order, with all below it.
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
    std::vector<Folder> run(const std::vector<Bytes>& start, int maxDepth)
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

    void addChildren(int handle, const Bytes& path, int depth, std::vector<Pending>& pending)
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

    // Reads level by level on this thread while there are too few folders to share.
    void readTopLevels(std::vector<Pending>& pending, int maxDepth)
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

    // Readers on several threads take the pending folders one at a time and read all below each.
    void readShared(const std::vector<Pending>& pending, int maxDepth)
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

    // Breadth first over what was read, each folder once, in the order a level-by-level walk meets them.
    void layOut(std::vector<Folder>& folders) const
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

    WalkShared m_shared;
    std::vector<std::unique_ptr<Reader>> m_readers;
};

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
