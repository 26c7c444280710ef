#include "app/drive_roots.h"

#include <array>
#include <filesystem>
#include <string_view>

#include "app/app_texts.h"

namespace cantavo {
namespace {

// File system types that hold no user files.
constexpr std::array<std::string_view, 24> kVirtualTypes = {
    "proc",   "sysfs",       "devtmpfs", "devpts",  "tmpfs",      "cgroup",    "cgroup2",  "securityfs",
    "pstore", "bpf",         "debugfs",  "tracefs", "mqueue",     "hugetlbfs", "configfs", "fusectl",
    "autofs", "binfmt_misc", "efivarfs", "ramfs",   "rpc_pipefs", "nsfs",      "squashfs", "fuse.portal"};

// Mount points below these belong to the system, not to the user.
constexpr std::array<std::string_view, 6> kSystemFolders = {"/proc", "/sys",  "/dev",
                                                            "/run",  "/snap", "/boot"};
constexpr std::string_view kUserMediaFolder = "/run/media";

bool IsBelow(std::string_view path, std::string_view folder) {
    if (folder == "/") return true;
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

bool IsVirtualType(std::string_view type) {
    for (auto virtual_type : kVirtualTypes)
        if (type == virtual_type) return true;
    return false;
}

bool IsSystemFolder(std::string_view path) {
    if (IsBelow(path, kUserMediaFolder)) return false;
    for (auto folder : kSystemFolders)
        if (IsBelow(path, folder)) return true;
    return false;
}

std::string BaseName(const std::string& path) {
    const auto last = path.find_last_of('/');
    return last == std::string::npos ? path : path.substr(last + 1);
}

}  // namespace

std::vector<DriveRoot> UserVolumes(const std::vector<MountEntry>& mounts) {
    std::vector<DriveRoot> roots;
    for (const MountEntry& mount : mounts) {
        const std::string& path = mount.path;
        if (path == "/" || IsVirtualType(mount.type) || IsSystemFolder(path)) continue;
        bool seen = false;
        for (const auto& root : roots) seen = seen || root.path == path;
        if (!seen) roots.push_back({BaseName(path), path, DriveKind::kVolume});
    }
    return roots;
}

std::vector<DriveRoot> ListDriveRoots(const std::string& home_folder, const std::string& demo_folder) {
    std::vector<DriveRoot> roots;
    if (!home_folder.empty()) roots.push_back({app_texts::kHomeDrive, home_folder, DriveKind::kHome});
    roots.push_back({app_texts::kRootDrive, "/", DriveKind::kRoot});
    std::error_code error;
    if (!demo_folder.empty() && std::filesystem::is_directory(demo_folder, error))
        roots.push_back({app_texts::kDemoDrive, demo_folder, DriveKind::kFolder});
    for (auto& volume : UserVolumes(ReadMountTable()))
        if (volume.path != home_folder) roots.push_back(std::move(volume));
    return roots;
}

int FindDriveIndex(const std::vector<DriveRoot>& roots, const std::string& path) {
    int best = 0;
    std::size_t best_length = 0;
    for (std::size_t i = 0; i < roots.size(); ++i) {
        const std::string& root = roots[i].path;
        if (IsBelow(path, root) && root.size() > best_length) {
            best = static_cast<int>(i);
            best_length = root.size();
        }
    }
    return best;
}

}  // namespace cantavo
