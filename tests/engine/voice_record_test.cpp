#include "engine/voice_record.h"

#include <gtest/gtest.h>

#include "smaf_writer/voice_writer.h"

namespace cantavo {
namespace {

TEST(VoiceRecord, UnpacksEveryFieldFromItsBits) {
    // s0 = 1011 1 0 1 0, s1 = 0110 1001, s2 = 1100 0011, s3 = 101101 10, s4 = 11 01 1 101
    const uint8_t packed[5] = {0xBA, 0x69, 0xC3, 0xB6, 0xDD};
    const OperatorParams op = UnpackOperator(packed);
    EXPECT_EQ(op.multiple, 11);
    EXPECT_EQ(op.vibrato, 1);
    EXPECT_EQ(op.sustained, 0);
    EXPECT_EQ(op.hold_release, 1);
    EXPECT_EQ(op.rate_scaling, 0);
    EXPECT_EQ(op.release_rate, 6);
    EXPECT_EQ(op.decay_rate, 9);
    EXPECT_EQ(op.attack_rate, 12);
    EXPECT_EQ(op.sustain_level, 3);
    EXPECT_EQ(op.total_level, 45);
    EXPECT_EQ(op.key_scale_level, 2);
    EXPECT_EQ(op.spare_bits, 3);
    EXPECT_EQ(op.tremolo_depth, 1);
    EXPECT_EQ(op.tremolo, 1);
    EXPECT_EQ(op.waveform, 5);
}

TEST(VoiceRecord, PackingRoundTripsEveryByteValue) {
    for (int value = 0; value < 256; ++value) {
        const uint8_t packed[5] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value ^ 0x5A),
                                   static_cast<uint8_t>(value + 1), static_cast<uint8_t>(255 - value),
                                   static_cast<uint8_t>(value * 7)};
        const auto repacked = smaf::PackOperator(UnpackOperator(packed));
        for (int i = 0; i < 5; ++i) ASSERT_EQ(repacked[i], packed[i]) << "value " << value << " byte " << i;
    }
}

TEST(VoiceRecord, OperatorCountFollowsTheAlgorithm) {
    const uint8_t expected[9] = {2, 2, 0, 0, 4, 4, 4, 4, 0};
    for (uint8_t algorithm = 0; algorithm < 9; ++algorithm)
        EXPECT_EQ(OperatorCountOf(algorithm), expected[algorithm]) << int{algorithm};
    EXPECT_EQ(OperatorCountOf(255), 0);
}

}  // namespace
}  // namespace cantavo
