#include "app/profile.h"

#include <gtest/gtest.h>

#include <fstream>

#include "app_test_support.h"
#include "host/profile_file.h"

namespace cantavo {
namespace {

using testing::TempFolder;

TEST(Profile, MainPathRoundTripKeepsBackslashesAndCreatesTheFolder) {
    TempFolder folder;
    const wxString path = wxString::FromUTF8((folder.Path() / "new" / "cantavo.ini").string());
    CProfile profile(path);
    EXPECT_EQ(profile.ReadMainPath(), "");
    ASSERT_TRUE(profile.WriteMainPath(wxString::FromUTF8("/music/odd\\name ü")));
    EXPECT_EQ(CProfile(path).ReadMainPath(), wxString::FromUTF8("/music/odd\\name ü"));
    std::ifstream file((folder.Path() / "new" / "cantavo.ini").string());
    std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("[Cantavo]"), std::string::npos) << text;
    EXPECT_NE(text.find("MainPath=/music/odd\\name"), std::string::npos) << text;
}

// The window writes the loader's path with wx; cantavo-cli reads it without wx, byte for byte.
TEST(Profile, TheLoaderPathIsReadAsWrittenWithoutWx) {
    TempFolder folder;
    const auto file = folder.Path() / "cfg" / "cantavo.ini";
    CProfile profile(wxString::FromUTF8(file.string()));
    ASSERT_TRUE(profile.WriteMainPath("/music"));
    const std::string loader = "/home/u/My Handset\\loader ü.ldr";
    ASSERT_TRUE(profile.WriteLoaderPath(wxString::FromUTF8(loader)));
    EXPECT_EQ(ReadProfileValue(file, "Cantavo", "LoaderPath"), loader);
    EXPECT_EQ(ReadProfileValue(file, "Cantavo", "MainPath"), "/music");
    EXPECT_EQ(CProfile(wxString::FromUTF8(file.string())).ReadMainPath(), "/music");
}

TEST(Profile, PortMapComesFromThePortsGroup) {
    TempFolder folder;
    std::ofstream((folder.Path() / "p.ini").string()) << "[Ports]\nCOM1=/dev/ttyUSB0\nCOM3=/dev/ttyACM1\n";
    const auto ports = CProfile(wxString::FromUTF8((folder.Path() / "p.ini").string())).ReadPortMap();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports.at("COM1"), "/dev/ttyUSB0");
    EXPECT_EQ(ports.at("COM3"), "/dev/ttyACM1");
}

TEST(Profile, DefaultPathFollowsXdgConfigHome) {
    setenv("XDG_CONFIG_HOME", "/tmp/cfg-test", 1);
    EXPECT_EQ(CProfile::DefaultPath(), "/tmp/cfg-test/cantavo/cantavo.ini");
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace cantavo
