#include "app/drive_roots.h"

#include <gtest/gtest.h>

namespace cantavo {
namespace {

constexpr const char* kMounts =
    "sysfs /sys sysfs rw 0 0\n"
    "proc /proc proc rw 0 0\n"
    "/dev/sda1 / ext4 rw 0 0\n"
    "tmpfs /run tmpfs rw 0 0\n"
    "/dev/sdb1 /media/user/MY\\040CARD vfat rw 0 0\n"
    "/dev/sda2 /home ext4 rw 0 0\n"
    "/dev/sdc1 /run/media/user/stick exfat rw 0 0\n"
    "/dev/sda3 /boot/efi vfat rw 0 0\n"
    "/dev/sdb1 /media/user/MY\\040CARD vfat rw 0 0\n"
    "garbage\n";

TEST(DriveRoots, MountTableKeepsUserVolumesOnly) {
    const auto roots = UserVolumes(ParseMountTable(kMounts));
    ASSERT_EQ(roots.size(), 3u);
    EXPECT_EQ(roots[0].path, "/media/user/MY CARD");
    EXPECT_EQ(roots[0].DisplayName(), "MY CARD (/media/user/MY CARD)");
    EXPECT_EQ(roots[1].path, "/home");
    EXPECT_EQ(roots[2].path, "/run/media/user/stick");
    EXPECT_EQ(roots[2].kind, DriveKind::kVolume);
}

TEST(DriveRoots, HomeAndRootComeFirstThenTheDemoMelodies) {
    const auto roots = ListDriveRoots("/home/someone");
    ASSERT_GE(roots.size(), 2u);
    EXPECT_EQ(roots[0].DisplayName(), "Home (/home/someone)");
    EXPECT_EQ(roots[1].DisplayName(), "File system (/)");
    const std::string demo = CANTAVO_SOURCE_DIR "/data/demo";
    const auto with_demo = ListDriveRoots("/home/someone", demo);
    ASSERT_GE(with_demo.size(), 3u);
    EXPECT_EQ(with_demo[2].DisplayName(), "Demo melodies (" + demo + ")");
    EXPECT_EQ(with_demo[2].kind, DriveKind::kFolder);
    EXPECT_EQ(FindDriveIndex(with_demo, demo), 2);
    // Not installed: no entry.
    EXPECT_EQ(ListDriveRoots("/home/someone", demo + "/missing").size(), roots.size());
}

TEST(DriveRoots, PathFindsTheLongestRootThatHoldsIt) {
    const std::vector<DriveRoot> roots = {{"Home", "/home/u", DriveKind::kHome},
                                          {"File system", "/", DriveKind::kRoot},
                                          {"card", "/media/card", DriveKind::kVolume}};
    EXPECT_EQ(FindDriveIndex(roots, "/home/u/music"), 0);
    EXPECT_EQ(FindDriveIndex(roots, "/home/user2"), 1);  // not below /home/u
    EXPECT_EQ(FindDriveIndex(roots, "/media/card"), 2);
    EXPECT_EQ(FindDriveIndex(roots, "/etc"), 1);
    EXPECT_EQ(FindDriveIndex({{"card", "/media/card", DriveKind::kVolume}}, "/etc"), 0);
}

}  // namespace
}  // namespace cantavo
