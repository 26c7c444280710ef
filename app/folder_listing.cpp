#include "app/folder_listing.h"

#include <algorithm>
#include <limits>

#include "host/folder_entries.h"

namespace cantavo {
namespace {

constexpr char kSeparator = '/';

CFileItem MakeItem(const std::string& name, const std::string& path) {
    CFileItem item;
    item.name = name;
    item.path = path;
    const std::optional<FileStatus> status = StatusOf(path);
    if (!status) return item;
    item.isDir = status->is_folder ? 1 : 0;
    if (!item.isDir)
        item.size = static_cast<std::uint32_t>(
            std::min<uint64_t>(status->size, std::numeric_limits<std::uint32_t>::max()));
    item.modified = status->modified;
    return item;
}

}  // namespace

std::optional<std::vector<CFileItem>> ListFolder(const std::string& folder) {
    const auto names = FolderEntryNames(folder);
    if (!names) return std::nullopt;
    std::vector<CFileItem> items;
    if (folder != "/") items.push_back(MakeItem("..", ParentFolder(folder)));
    for (const std::string& name : *names) items.push_back(MakeItem(name, JoinPath(folder, name)));
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

}  // namespace cantavo
