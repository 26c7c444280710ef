#include "engine/voice_exclusive.h"

#include <gtest/gtest.h>

#include <vector>

namespace cantavo {
namespace {

std::optional<SongVoice> Decode(const std::vector<uint8_t>& body) {
    return DecodeVoiceExclusive(body.data(), static_cast<uint32_t>(body.size()));
}

TEST(VoiceExclusive, LongFormKeepsTheBytesAndMovesTheBank) {
    std::vector<uint8_t> body = {0x43, 0x03};
    for (uint8_t i = 0; i < 25; ++i) body.push_back(static_cast<uint8_t>(i + 1));
    body[2] = 0x0F;
    body[3] = 0x05;  // bank code 5 -> song bank 25
    const std::optional<SongVoice> voice = Decode(body);
    ASSERT_TRUE(voice);
    EXPECT_EQ((*voice)[0], 0x0F);
    EXPECT_EQ((*voice)[1], 25);
    for (int i = 2; i < 25; ++i) EXPECT_EQ((*voice)[i], i + 1) << i;
    EXPECT_EQ((*voice)[25], 0);

    body[3] = 0x85;  // drum bank code: (5) + 30
    EXPECT_EQ((*Decode(body))[1], 35);
    body[3] = 0x7F;
    EXPECT_EQ((*Decode(body))[1], 147);  // beyond bank 39: the voice table ignores it
}

TEST(VoiceExclusive, RefusedBodies) {
    std::vector<uint8_t> long_form(27, 0);
    long_form[0] = 0x43;
    long_form[1] = 0x03;
    EXPECT_TRUE(Decode(long_form));
    long_form[2] = 16;  // first message byte must be below 16
    EXPECT_FALSE(Decode(long_form));
    long_form[2] = 0;
    long_form.pop_back();  // 26 bytes: too short
    EXPECT_FALSE(Decode(long_form));
    long_form.push_back(0);
    long_form[0] = 0x44;
    EXPECT_FALSE(Decode(long_form));
    std::vector<uint8_t> short_form(14, 0);
    short_form[0] = 0x43;
    short_form[1] = 0x02;
    EXPECT_TRUE(Decode(short_form));
    short_form.pop_back();
    EXPECT_FALSE(Decode(short_form));
    EXPECT_FALSE(Decode({0x43, 0x04, 0x00}));
    EXPECT_FALSE(Decode({0x43}));
}

// Every message byte of the short form worked out by hand from the conversion table for one body.
TEST(VoiceExclusive, ShortFormTable) {
    // 43 02 x0..x11
    const std::vector<uint8_t> body = {0x43, 0x02, 0x07, 0x55, 0x21, 0xB6, 0x9E,
                                       0xC9, 0xFD, 0x6F, 0x4B, 0x3A, 0x5C, 0x8D};
    const std::optional<SongVoice> voice = Decode(body);
    ASSERT_TRUE(voice);
    const SongVoice& v = *voice;
    EXPECT_EQ(v[0], 0x07);
    EXPECT_EQ(v[1], 20);
    EXPECT_EQ(v[2], 0x21);
    // x7 = 0x6F: feedback 7 -> 0x80 | 0x38.
    EXPECT_EQ(v[3], 0xB8);
    EXPECT_EQ(v[4], 0x02);  // x3 = 0xB6 & 3
    // x4 = 0x9E: (0x9E >> 1) & 0x7E = 0x4E.
    EXPECT_EQ(v[5], 0x4E);
    // Release index ((0x9E & 3) << 2) | (0xC9 >> 6) = 8 | 3 = 11 -> T1 9; decay (0xC9 >> 2) & 15 = 2 -> T1 1.
    EXPECT_EQ(v[6], 0x91);
    // Attack ((0xC9 & 3) << 2) | (0xFD >> 6) = 4 | 3 = 7 -> T2 3; sustain (0xFD >> 2) & 15 = 15.
    EXPECT_EQ(v[7], 0x3F);
    // Total level ((0xFD & 3) << 4) | (0x6F >> 4) = 16 | 6 = 22 -> 88.
    EXPECT_EQ(v[8], 88);
    // Waveform (0x6F >> 3) & 3 = 1.
    EXPECT_EQ(v[9], 0x81);
    // x8 = 0x4B: multiple 2, vibrato 0, g = 1, bit 2 = 0; m = ((0x4B & 3) << 2) | (0x3A >> 6) = 12.
    EXPECT_EQ(v[10], 0x24);
    // T1[12] = 10; decay (0x3A >> 2) & 15 = 14 -> T1 12.
    EXPECT_EQ(v[11], 0xAC);
    // Attack ((0x3A & 3) << 2) | (0x5C >> 6) = 8 | 1 = 9 -> T2 5; sustain (0x5C >> 2) & 15 = 7.
    EXPECT_EQ(v[12], 0x57);
    // Total level ((0x5C & 3) << 4) | (0x8D >> 4) = 8 -> 32.
    EXPECT_EQ(v[13], 32);
    // Waveform (0x8D >> 3) & 3 = 1.
    EXPECT_EQ(v[14], 0x81);
    for (int i = 15; i < 26; ++i) EXPECT_EQ(v[i], 0) << i;
}

TEST(VoiceExclusive, ShortFormSlowAttackWithoutGBitReadsAsCodeNine) {
    std::vector<uint8_t> body(14, 0);
    body[0] = 0x43;
    body[1] = 0x02;
    body[2 + 8] = 0x01;  // g = 0, m = (1 << 2) | 0 = 4 < 5
    const SongVoice v = *Decode(body);
    EXPECT_EQ(v[10], 0x04);                  // g set
    EXPECT_EQ(v[11] >> 4, 7);                // T1[9]
    body[2 + 8] = 0x09;                      // g = 1 keeps m = 4
    EXPECT_EQ((*Decode(body))[11] >> 4, 2);  // T1[4]
}

}  // namespace
}  // namespace cantavo
