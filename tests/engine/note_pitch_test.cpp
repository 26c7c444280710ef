#include "engine/note_pitch.h"

#include <gtest/gtest.h>

namespace cantavo {
namespace {

uint32_t Block(uint32_t pitch) {
    return pitch >> 16;
}
uint32_t Fnum(uint32_t pitch) {
    return pitch & 0xFFFF;
}

TEST(NotePitch, FrequencyTableRoundsHalfUpToOneDecimal) {
    EXPECT_DOUBLE_EQ(NoteFrequency(0), 8.2);   // 261.6 / 32 = 8.175
    EXPECT_DOUBLE_EQ(NoteFrequency(7), 12.3);  // 392.0 / 32 = 12.25
    EXPECT_DOUBLE_EQ(NoteFrequency(21), 27.5);
    EXPECT_DOUBLE_EQ(NoteFrequency(12), 16.4);   // 261.6 / 16 = 16.35, an exact half
    EXPECT_DOUBLE_EQ(NoteFrequency(44), 103.8);  // 415.3 / 4 = 103.825
    EXPECT_DOUBLE_EQ(NoteFrequency(60), 261.6);
    EXPECT_DOUBLE_EQ(NoteFrequency(69), 440.0);
    EXPECT_DOUBLE_EQ(NoteFrequency(72), 523.2);
    EXPECT_DOUBLE_EQ(NoteFrequency(127), 12544.0);
}

TEST(NotePitch, NotesWithoutBend) {
    EXPECT_EQ(Block(NoteToBlockFnum(0, 2, 0)), 0u);
    EXPECT_EQ(Fnum(NoteToBlockFnum(0, 2, 0)), 173u);
    EXPECT_EQ(Block(NoteToBlockFnum(60, 2, 0)), 3u);
    EXPECT_EQ(Fnum(NoteToBlockFnum(60, 2, 0)), 689u);
    EXPECT_EQ(NoteToBlockFnum(69, 2, 0), (4u << 16) | 580u);
    EXPECT_EQ(NoteToBlockFnum(127, 2, 0), (8u << 16) | 1023u);  // clamped to 0x3FF00
}

TEST(NotePitch, BendMovesByTheBendRange) {
    EXPECT_EQ(NoteToBlockFnum(69, 2, 32764), (4u << 16) | 651u);
    // Two semitones down from 440 Hz: 391.995 Hz x 21.098109 = 8270.4 -> 8270 >> 4 = 516 at block 4.
    EXPECT_EQ(NoteToBlockFnum(69, 2, -32768), (4u << 16) | 516u);
    EXPECT_EQ(NoteToBlockFnum(69, 0, 32764), NoteToBlockFnum(69, 2, 0));
}

TEST(NotePitch, ExtremeBendRangesClampInsteadOfOverflowing) {
    EXPECT_EQ(NoteToBlockFnum(127, 255, 32764), (8u << 16) | 1023u);
    EXPECT_EQ(NoteToBlockFnum(0, 255, -32768), 0u);  // far below 1 Hz: F-number 0
}

}  // namespace
}  // namespace cantavo
