#pragma once
// The file systems mounted for this process.

#include <string>
#include <string_view>
#include <vector>

namespace cantavo {

struct MountEntry {
    std::string path;  // the mount point
    std::string type;  // the file system type ("ext4", "proc", ...)
};

// The entries of a mount table in the system's format, in its order; lines that are not entries are left out.
std::vector<MountEntry> ParseMountTable(std::string_view table);

// This process's mount table.
std::vector<MountEntry> ReadMountTable();

}  // namespace cantavo
