#include "engine/levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace cantavo {
namespace {

// The rules evaluated at run time, independently of the copied numbers.
int LevelRule(int v) {
    return v == 0 ? 192 : static_cast<int>(std::floor(80 * std::log10(127.0 / v) + 0.5));
}
int PanRightRule(int p) {
    return p == 0
               ? 192
               : static_cast<int>(std::floor(-40 * std::log10(std::sin(std::numbers::pi * p / 254)) + 0.5));
}

TEST(LevelTables, FollowTheirRules) {
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(kLevelAttenuation[i], LevelRule(i)) << i;
        EXPECT_EQ(kPanRightAttenuation[i], PanRightRule(i)) << i;
        EXPECT_EQ(kPanLeftAttenuation[i], PanRightRule(127 - i)) << i;
    }
}

TEST(LevelTables, HandComputedEntries) {
    EXPECT_EQ(kLevelAttenuation[0], 192);
    EXPECT_EQ(kLevelAttenuation[1], 168);
    EXPECT_EQ(kLevelAttenuation[64], 24);
    EXPECT_EQ(kLevelAttenuation[127], 0);
    EXPECT_EQ(kPanRightAttenuation[1], 76);
    EXPECT_EQ(kPanRightAttenuation[64], 6);
    EXPECT_EQ(kPanRightAttenuation[127], 0);
    EXPECT_EQ(kPanLeftAttenuation[0], 0);
    EXPECT_EQ(kPanLeftAttenuation[127], 192);
}

TEST(Levels, CentrePanAtFullLevelsIsSixOnBothSides) {
    const uint16_t levels = Levels({.master_offset = 0, .volume_mode = 1}, 64, 127, 127, 127);
    EXPECT_EQ(LeftLevel(levels), 6);
    EXPECT_EQ(RightLevel(levels), 6);
}

TEST(Levels, MasterOffsetAddsOnlyAboveTheVolumeAttenuation) {
    // T[100] = 8; master offset -18 adds 18 to the volume's 0.
    EXPECT_EQ(RightLevel(Levels({-18, 1}, 127, 127, 127, 100)), 26);
    // Volume mode 0 takes the mean of both pan sides: (192 + 0) / 2 = 96.
    EXPECT_EQ(RightLevel(Levels({0, 0}, 127, 127, 127, 100)), 104);
    EXPECT_EQ(LeftLevel(Levels({0, 0}, 127, 127, 127, 100)), 104);
    // A positive offset above the volume attenuation removes it: T[64] = 24 > 10 gives 14.
    EXPECT_EQ(RightLevel(Levels({10, 1}, 127, 64, 127, 127)), 14);
    EXPECT_EQ(RightLevel(Levels({30, 1}, 127, 64, 127, 127)), 0);
}

TEST(Levels, EachSideIsCappedAtSilence) {
    const uint16_t levels = Levels({-24, 1}, 0, 1, 1, 1);
    EXPECT_EQ(LeftLevel(levels), 192);
    EXPECT_EQ(RightLevel(levels), 192);
    // Hard left: the left side hears everything, the right side nothing.
    const uint16_t left = Levels({0, 1}, 0, 127, 127, 127);
    EXPECT_EQ(LeftLevel(left), 0);
    EXPECT_EQ(RightLevel(left), 192);
}

}  // namespace
}  // namespace cantavo
