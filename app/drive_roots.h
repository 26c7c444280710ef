// The places the file browser's drive drop-down offers: the home folder, the file system root, the demo
// melodies that come with the program and the mounted volumes a user would look at (no virtual file systems).
#pragma once

#include <string>
#include <vector>

#include "host/mount_table.h"

namespace cantavo {

enum class DriveKind { kHome, kRoot, kFolder, kVolume };

struct DriveRoot {
    std::string name;  // shown as "name (path)"
    std::string path;
    DriveKind kind = DriveKind::kVolume;

    std::string DisplayName() const { return name + " (" + path + ")"; }
};

// The volumes of a mount table, in its order, without virtual file systems, system folders, the root and
// duplicates.
std::vector<DriveRoot> UserVolumes(const std::vector<MountEntry>& mounts);

// Home, root, the demo folder when it exists, then the mounted volumes of this process's mount table.
std::vector<DriveRoot> ListDriveRoots(const std::string& home_folder, const std::string& demo_folder = {});

// Index of the root that holds `path` (the longest matching one); 0 when none does.
int FindDriveIndex(const std::vector<DriveRoot>& roots, const std::string& path);

}  // namespace cantavo
