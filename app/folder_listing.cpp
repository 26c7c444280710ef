#include "app/folder_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <limits>

namespace {

constexpr char kSeparator = '/';

CFileItem MakeItem(const std::string& name, const std::string& path) {
    CFileItem item;
    item.name = name;
    item.path = path;
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 && lstat(path.c_str(), &status) != 0) return item;
    item.isDir = S_ISDIR(status.st_mode) ? 1 : 0;
    if (!item.isDir)
        item.size = static_cast<std::uint32_t>(
            std::min<unsigned long long>(status.st_size, std::numeric_limits<std::uint32_t>::max()));
    item.modified = status.st_mtime;
    return item;
}

}  // namespace

std::optional<std::vector<CFileItem>> ListFolder(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return std::nullopt;
    std::vector<CFileItem> items;
    if (folder != "/") items.push_back(MakeItem("..", ParentFolder(folder)));
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..") continue;
        items.push_back(MakeItem(name, JoinPath(folder, name)));
    }
    closedir(dir);
    return items;
}

void SortFileItems(std::vector<CFileItem>& items, int column) {
    std::stable_sort(items.begin(), items.end(), [column](const CFileItem& a, const CFileItem& b) {
        return CompareFileItems(a, b, column) < 0;
    });
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == kSeparator) return folder + name;
    return folder + kSeparator + name;
}

std::string ParentFolder(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == kSeparator) folder.pop_back();
    const auto last = folder.find_last_of(kSeparator);
    if (last == std::string::npos || last == 0) return std::string(1, kSeparator);
    return folder.substr(0, last);
}

bool IsReadableFolder(const std::string& path) {
    DIR* dir = opendir(path.c_str());
    if (dir == nullptr) return false;
    closedir(dir);
    return true;
}
