#include "app/command_line.h"

#include <gtest/gtest.h>

namespace cantavo {
namespace {

TEST(CommandLine, ReadsEveryOption) {
    EXPECT_TRUE(ParseCommandLine({"--virtual-handset"}).virtual_handset);
    EXPECT_EQ(ParseCommandLine({"--port", "/dev/ttyUSB0"}).port, "/dev/ttyUSB0");
    EXPECT_EQ(ParseCommandLine({"--port=COM3"}).port, "COM3");
    EXPECT_TRUE(ParseCommandLine({"--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"--version"}).version);
    const auto player = ParseCommandLine({"--player", "song.mmf"});
    EXPECT_TRUE(player.player);
    EXPECT_EQ(player.player_file, "song.mmf");
    const auto bare_player = ParseCommandLine({"--player", "--port", "COM2"});
    EXPECT_TRUE(bare_player.player);
    EXPECT_EQ(bare_player.player_file, "");
    EXPECT_EQ(bare_player.port, "COM2");
    EXPECT_TRUE(ParseCommandLine({}).error.empty());
}

TEST(CommandLine, ABareFileOpensThePlayerOnIt) {
    const auto opened = ParseCommandLine({"/home/u/song.mmf"});
    EXPECT_TRUE(opened.player);
    EXPECT_EQ(opened.player_file, "/home/u/song.mmf");
    EXPECT_TRUE(opened.error.empty());
    EXPECT_NE(ParseCommandLine({"a.mmf", "b.mmf"}).error, "");
    EXPECT_NE(ParseCommandLine({"--player", "a.mmf", "b.mmf"}).error, "");
}

TEST(CommandLine, RefusesWhatItCannotUse) {
    EXPECT_NE(ParseCommandLine({"--port"}).error, "");
    EXPECT_NE(ParseCommandLine({"--bogus"}).error, "");
    EXPECT_NE(ParseCommandLine({"--virtual-handset", "--port", "/dev/x"}).error, "");
}

}  // namespace
}  // namespace cantavo
