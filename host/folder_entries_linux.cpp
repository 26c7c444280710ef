#include "host/folder_entries.h"

#include <dirent.h>
#include <sys/stat.h>

namespace cantavo {

std::optional<std::vector<std::string>> FolderEntryNames(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
    return names;
}

std::optional<FileStatus> StatusOf(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 && lstat(path.c_str(), &status) != 0) return std::nullopt;
    return FileStatus{S_ISDIR(status.st_mode), static_cast<uint64_t>(status.st_size), status.st_mtime};
}

bool IsReadableFolder(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) return false;
    closedir(dir);
    return true;
}

}  // namespace cantavo
