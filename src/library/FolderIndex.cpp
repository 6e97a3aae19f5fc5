// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/FolderIndex.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <string_view>
#include <sys/sysmacros.h>

namespace {

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

} // namespace

PseudoFileSystems::PseudoFileSystems()
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
