#pragma once
// What a folder holds and what the file system says about an entry, for the file browser.

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace cantavo {

struct FileStatus {
    bool is_folder = false;
    uint64_t size = 0;         // bytes
    std::time_t modified = 0;  // last write, seconds since the epoch
};

// The names in `folder` other than "." and "..", in the order the file system returns them; nothing when
// the folder cannot be read.
std::optional<std::vector<std::string>> FolderEntryNames(const std::string& folder);

// The status of `path`, following a symbolic link (or of the link itself when it leads nowhere); nothing
// when neither can be had.
std::optional<FileStatus> StatusOf(const std::string& path);

// Whether `path` is a folder that can be listed.
bool IsReadableFolder(const std::string& path);

}  // namespace cantavo
