#include "engine/adpcm_player.h"

#include <gtest/gtest.h>

#include <vector>

namespace cantavo {
namespace {

std::vector<int16_t> Mix(CAdpcmPlayer& player, uint32_t frames, int16_t fill = 0) {
    std::vector<int16_t> out(2 * frames, fill);
    player.MixInto(out.data(), frames);
    return out;
}

std::vector<int16_t> Left(const std::vector<int16_t>& frames) {
    std::vector<int16_t> left;
    for (size_t i = 0; i < frames.size(); i += 2) left.push_back(frames[i]);
    return left;
}

const uint8_t kZeroByte[1] = {0x00};

TEST(AdpcmDecoding, ZeroByteFromResetStateGives15Then30) {
    CAdpcmPlayer player;
    ASSERT_EQ(player.LoadWave(1, kZeroByte, 1, 8000), 1u);
    const AdpcmWave& wave = player.Wave(1);
    ASSERT_EQ(wave.count, 2u);
    EXPECT_EQ(wave.samples[0], 15);
    EXPECT_EQ(wave.samples[1], 30);
    // The decoder starts afresh for every wave.
    ASSERT_EQ(player.LoadWave(2, kZeroByte, 1, 8000), 2u);
    EXPECT_EQ(player.Wave(2).samples[1], 30);
}

TEST(AdpcmDecoding, StepSaturatesAndSamplesClamp) {
    std::vector<uint8_t> data(10, 0x77);  // 20 rising nibbles: step reaches its ceiling of 24576
    data.push_back(0xFF);
    CAdpcmPlayer player;
    ASSERT_EQ(player.LoadWave(9, data.data(), static_cast<uint32_t>(data.size()), 4000), 9u);
    const AdpcmWave& wave = player.Wave(9);
    EXPECT_EQ(wave.samples[19], 32767);
    // Nibble 0xF at step 24576: -(3072 + 24576 + 12288 + 6144) = -46080.
    EXPECT_EQ(wave.samples[20], 32767 - 46080);
    EXPECT_EQ(wave.samples[21], -32768);
}

TEST(AdpcmWaveTable, LoadPicksFreeEntriesFrom63AndRefusesBadIndexes) {
    CAdpcmPlayer player;
    EXPECT_EQ(player.LoadWave(256, kZeroByte, 1, 8000), 0u);
    for (uint32_t expected = 63; expected < 256; ++expected)
        ASSERT_EQ(player.LoadWave(0, kZeroByte, 1, 8000), expected);
    EXPECT_EQ(player.LoadWave(0, kZeroByte, 1, 8000), 0u);
    EXPECT_EQ(player.Wave(62).count, 0u);
    player.FreeWave(100);
    EXPECT_EQ(player.Wave(100).count, 0u);
    EXPECT_EQ(player.LoadWave(0, kZeroByte, 1, 8000), 100u);
    player.FreeWave(0);
    for (uint32_t i = 1; i < 256; ++i) ASSERT_EQ(player.Wave(i).samples, nullptr) << i;
    player.FreeWave(300);  // ignored
}

TEST(AdpcmWaveTable, ZeroLengthWaveHasNoSamplesAndDoesNotStart) {
    CAdpcmPlayer player;
    EXPECT_EQ(player.LoadWave(4, kZeroByte, 0, 8000), 4u);
    EXPECT_EQ(player.Wave(4).samples, nullptr);
    player.StartWave(0, 4);
    EXPECT_EQ(player.Voice().stopped, 1);
}

TEST(AdpcmVoice, IncrementFollowsTheRate) {
    CAdpcmPlayer player;
    player.LoadWave(1, kZeroByte, 1, 4000);
    player.LoadWave(2, kZeroByte, 1, 8000);
    player.StartWave(0, 1);
    EXPECT_EQ(player.Voice().increment, 743u);
    player.StopWave(0);
    player.StartWave(0, 2);
    EXPECT_EQ(player.Voice().increment, 1486u);
}

TEST(AdpcmVoice, InterpolatesTowardsZeroAfterTheLastSampleThenStops) {
    CAdpcmPlayer player;
    player.LoadWave(1, kZeroByte, 1, 8000);  // samples 15, 30
    player.SetWaveVolume(0, 0);              // 32767
    player.StartWave(0, 1);
    std::vector<int16_t> out(2 * 8, 0);
    EXPECT_EQ(player.MixInto(out.data(), 8), 1);
    // Positions 0, 1486, 2972, 4458, 5944, 7430 (20.12); from sample 1 the next sample is 0.
    EXPECT_EQ(Left(out), (std::vector<int16_t>{14, 19, 24, 26, 15, 4, 0, 0}));
    EXPECT_EQ(out[1], 14);
    EXPECT_EQ(player.Voice().starts, 0);
}

TEST(AdpcmVoice, StartsAreCountedAgainstStops) {
    CAdpcmPlayer player;
    std::vector<uint8_t> data(1000, 0x11);
    player.LoadWave(1, data.data(), 1000, 8000);
    player.LoadWave(2, data.data(), 1000, 8000);
    player.SetWaveVolume(0, 0);
    player.StartWave(0, 1);
    player.StartWave(0, 1);
    player.StartWave(0, 2);  // another wave does not interrupt
    EXPECT_EQ(player.Voice().wave, 1u);
    EXPECT_EQ(player.Voice().starts, 2);
    player.StopWave(0);
    EXPECT_EQ(player.Voice().stopped, 0);
    player.StopWave(0);
    EXPECT_EQ(player.Voice().stopped, 1);
    EXPECT_EQ(Mix(player, 4), std::vector<int16_t>(8, 0));
    player.StopWave(1);  // other voices do not exist
    player.StartWave(1, 1);
    EXPECT_EQ(player.Voice().stopped, 1);
}

TEST(AdpcmVoice, EndOfDataCountsAsExactlyOneStop) {
    CAdpcmPlayer player;
    player.LoadWave(1, kZeroByte, 1, 8000);
    player.SetWaveVolume(0, 0);
    player.StartWave(0, 1);
    player.StartWave(0, 1);
    std::vector<int16_t> out(2 * 100, 0);
    EXPECT_EQ(player.MixInto(out.data(), 100), 0);  // one start left: still "playing", reading silence
    EXPECT_EQ(player.Voice().starts, 1);
    EXPECT_EQ(Left(out)[50], 0);
    player.StopWave(0);
    EXPECT_EQ(player.Voice().stopped, 1);
}

TEST(AdpcmVoice, FreeingOrReloadingThePlayingWaveSilencesIt) {
    std::vector<uint8_t> data(1000, 0x11);
    for (bool reload : {false, true}) {
        CAdpcmPlayer player;
        player.LoadWave(7, data.data(), 1000, 8000);
        player.SetWaveVolume(0, 0);
        player.StartWave(0, 7);
        player.StartWave(0, 7);
        EXPECT_NE(Left(Mix(player, 10))[9], 0);
        if (reload)
            player.LoadWave(7, data.data(), 10, 8000);
        else
            player.FreeWave(0);
        EXPECT_EQ(player.Voice().stopped, 1);
        EXPECT_EQ(player.Voice().starts, 0);
        EXPECT_EQ(Mix(player, 10), std::vector<int16_t>(20, 0));
    }
}

TEST(AdpcmVoice, VolumeAndClampedMixing) {
    const std::vector<uint8_t> rising(4, 0x77);
    const std::vector<uint8_t> falling(4, 0xFF);
    CAdpcmPlayer player;
    player.LoadWave(1, rising.data(), 4, 4000);
    player.LoadWave(2, falling.data(), 4, 4000);
    player.StartWave(0, 1);
    player.SetWaveVolume(0, 250);  // capped at 192: silence
    EXPECT_EQ(Mix(player, 3, 100), std::vector<int16_t>(6, 100));
    player.SetWaveVolume(0, 12);  // 6 dB: 16423
    const auto mixed = Mix(player, 1, 32760);
    EXPECT_EQ(mixed[0], 32767);
    EXPECT_EQ(mixed[1], 32767);
    player.StopWave(0);
    player.StartWave(0, 2);
    const auto low = Mix(player, 1, -32767);
    EXPECT_EQ(low[0], -32767);  // never -32768
    EXPECT_EQ(low[1], -32767);
}

}  // namespace
}  // namespace cantavo
