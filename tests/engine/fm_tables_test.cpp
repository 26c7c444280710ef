// Spot checks of the synthesizer tables against values worked out by hand from their rules.
#include "engine/fm_tables.h"

#include <gtest/gtest.h>

#include "engine/attenuation_gain.h"

namespace cantavo {
namespace {

using namespace fm_tables;

TEST(FmTables, Waveforms) {
    EXPECT_EQ(kWaveform[0][0], 0);
    EXPECT_EQ(kWaveform[0][1], 50);  // 32767 sin(2 pi / 4096) = 50.26
    EXPECT_EQ(kWaveform[0][512], 23170);
    EXPECT_EQ(kWaveform[0][1024], 32767);
    EXPECT_EQ(kWaveform[0][3072], -32767);
    EXPECT_EQ(kWaveform[1][1024], 32767);
    EXPECT_EQ(kWaveform[1][3072], 0);
    EXPECT_EQ(kWaveform[2][3072], 32767);
    EXPECT_EQ(kWaveform[3][1024], 32767);  // peak included
    EXPECT_EQ(kWaveform[3][1025], 0);
    EXPECT_EQ(kWaveform[3][3072], 32767);
    EXPECT_EQ(kWaveform[4][512], 32767);  // double speed: quarter cycle at 512
    EXPECT_EQ(kWaveform[4][1536], -32767);
    EXPECT_EQ(kWaveform[4][2560], 0);
    EXPECT_EQ(kWaveform[5][1536], 32767);
    EXPECT_EQ(kWaveform[6][2047], 32767);
    EXPECT_EQ(kWaveform[6][2048], -32767);
    EXPECT_EQ(kWaveform[7][0], 32767);
    EXPECT_EQ(kWaveform[7][128], 16384);  // 32767 / 2 = 16383.5 rounds up
    EXPECT_EQ(kWaveform[7][3966], -16384);
    EXPECT_EQ(kWaveform[7][4094], -32767);
    EXPECT_EQ(kWaveform[7][4095], -32767);
}

TEST(FmTables, LevelsAndTargets) {
    EXPECT_EQ(kTotalLevelGain[0], 32512u);
    EXPECT_EQ(kTotalLevelGain[1], 30057u);
    EXPECT_EQ(kTotalLevelGain[8], 16423u);  // 6 dB
    EXPECT_EQ(kTotalLevelGain[63], 142u);
    EXPECT_EQ(kSustainTarget[0], 0x80000000u);
    EXPECT_EQ(kSustainTarget[1], 1520301996u);
    EXPECT_EQ(kSustainTarget[14], 17058069u);
    EXPECT_EQ(kSustainTarget[15], 48076u);
    EXPECT_EQ(kAttenuationGain[0], 32768);
    EXPECT_EQ(kAttenuationGain[12], 16423);
    EXPECT_EQ(kAttenuationGain[191], 1);
    EXPECT_EQ(kAttenuationGain[192], 0);
    EXPECT_EQ(AttenuationGain(255), 0);
}

TEST(FmTables, KeyScaleLevels) {
    const uint32_t table2_row3[5] = {28787, 20380, 14428, 10214, 7231};
    for (int block = 3; block < 8; ++block)
        EXPECT_EQ(kKeyScaleGain[2][(3 << 3) | block], table2_row3[block - 3]);
    EXPECT_EQ(kKeyScaleGain[2][(3 << 3) | 2], 32512u);  // 26.25 - 30 dB is below 0
    EXPECT_EQ(kKeyScaleGain[3][(15 << 3) | 7], 260u);   // 42 dB
    EXPECT_EQ(kKeyScaleGain[1][(8 << 3) | 5], 16423u);  // (36 - 12) / 4 = 6 dB
    EXPECT_EQ(kKeyScaleGain[1][0], 32512u);
}

TEST(FmTables, LfoRows) {
    EXPECT_EQ(kTremolo[0][0], 32768);
    EXPECT_EQ(kTremolo[3][2048], 8423);   // 11.8 dB
    EXPECT_EQ(kTremolo[2][1024], 23467);  // 2.9 dB
    EXPECT_EQ(kTremolo[2][3072], 23467);
    EXPECT_EQ(kVibrato[0][0], 1048576u);
    EXPECT_EQ(kVibrato[3][1023], 1064935u);  // +26.8 cents
    EXPECT_EQ(kVibrato[3][512], 1056732u);
    EXPECT_EQ(kVibrato[1][3072], 1044526u);  // -6.7 cents
    EXPECT_EQ(kVibrato[2][2048], 1048576u);
}

TEST(FmTables, RateTablesAsGiven) {
    EXPECT_EQ(kAttackStep[3], 0u);
    EXPECT_EQ(kAttackStep[4], 0x0000803Au);
    EXPECT_EQ(kAttackStep[52], 0x0E833158u);
    EXPECT_EQ(kAttackStep[59], 0x305FF9CFu);
    EXPECT_EQ(kAttackStep[60], 0x80000000u);
    EXPECT_EQ(kDecayMul[3], 0x40000000u);
    EXPECT_EQ(kDecayMul[31], 0x3FE9DF17u);
    EXPECT_EQ(kDecayMul[63], 0x3489D115u);
}

}  // namespace
}  // namespace cantavo
