// The profile as plain INI, read as wxFileConfig writes it (no escape characters).
#include "host/profile_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/transfer/temp_dir.h"

namespace cantavo {
namespace {

using testing::CTempDir;

TEST(ProfileFile, AValueIsFoundInItsGroupOnly) {
    CTempDir folder;
    std::ofstream(folder / "cantavo.ini") << "MainPath=/top\n"
                                             "[Ports]\n"
                                             "COM1=/dev/ttyUSB0\n"
                                             "LoaderPath=/not/here\n"
                                             "; a comment\n"
                                             "[Cantavo]\n"
                                             "MainPath=/music/odd\\name\n"
                                             "  LoaderPath = /home/u/my loader.ldr  \r\n"
                                             "[Other]\n"
                                             "LoaderPath=/nor/here\n";
    const auto file = folder / "cantavo.ini";
    EXPECT_EQ(ReadProfileValue(file, "Cantavo", "LoaderPath"), "/home/u/my loader.ldr");
    EXPECT_EQ(ReadProfileValue(file, "Cantavo", "MainPath"), "/music/odd\\name");
    EXPECT_EQ(ReadProfileValue(file, "cantavo", "loaderpath"), "/home/u/my loader.ldr");  // as wx compares
    EXPECT_EQ(ReadProfileValue(file, "Ports", "COM1"), "/dev/ttyUSB0");
    EXPECT_EQ(ReadProfileValue(file, "Cantavo", "Missing"), "");
    EXPECT_EQ(ReadProfileValue(file, "Nowhere", "LoaderPath"), "");
    EXPECT_EQ(ReadProfileValue(folder / "none.ini", "Cantavo", "LoaderPath"), "");
}

TEST(ProfileFile, TheUsersProfileIsInTheConfigFolder) {
    setenv("XDG_CONFIG_HOME", "/tmp/cfg-test", 1);
    EXPECT_EQ(UserProfileFile(), "/tmp/cfg-test/cantavo/cantavo.ini");
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace cantavo
