#include "transfer/user_area.h"

#include <gtest/gtest.h>

#include "transfer/charset.h"
#include "transfer/scramble.h"

namespace cantavo {
namespace {

TEST(UserArea, SlotOffsetsAndSizes) {
    EXPECT_EQ(SlotOffset(0), 0x0000u);
    EXPECT_EQ(SlotOffset(7), 0xE000u);
    EXPECT_EQ(SlotOffset(8), 0x10000u);
    EXPECT_EQ(SlotOffset(10), 0x18000u);  // ADPCM 3
    EXPECT_EQ(SlotOffset(11), 0x1C000u);
    EXPECT_EQ(SlotSize(7), 8192u);
    EXPECT_EQ(SlotSize(8), 16384u);
    EXPECT_EQ(SlotOffset(11) + SlotSize(11), kUserAreaBytes);
}

TEST(UserArea, ASlotHoldsItsSizeLessTheTitle) {
    EXPECT_EQ(SlotCapacity(0), 8160u);
    EXPECT_EQ(SlotCapacity(7), 8160u);
    EXPECT_EQ(SlotCapacity(8), 16352u);
    EXPECT_EQ(SlotCapacity(11), 16352u);
    EXPECT_EQ(SlotLabel(0), "FM 1");
    EXPECT_EQ(SlotLabel(7), "FM 8");
    EXPECT_EQ(SlotLabel(8), "ADPCM 1");
    EXPECT_EQ(SlotLabel(11), "ADPCM 4");
}

TEST(UserArea, SlotFromMaskTakesTheSetBitAndOneForAnythingElse) {
    EXPECT_EQ(SlotFromMask(1), 0);
    EXPECT_EQ(SlotFromMask(2), 1);
    EXPECT_EQ(SlotFromMask(4), 2);
    EXPECT_EQ(SlotFromMask(0x200), 9);
    EXPECT_EQ(SlotFromMask(2048), 11);
    EXPECT_EQ(SlotFromMask(0), 1);
    EXPECT_EQ(SlotFromMask(3), 1);
    EXPECT_EQ(SlotFromMask(4096), 1);
}

TEST(UserArea, TitleIsTheNameUpToTheFirstDotOrTheWholeName) {
    EXPECT_EQ(TitleFromFileName("song.remix.mmf"), "song");
    EXPECT_EQ(TitleFromFileName("ring.tone.mmf"), "ring");
    EXPECT_EQ(TitleFromFileName("noext"), "noext");
    EXPECT_EQ(TitleFromFileName(".hidden.mmf"), "");
}

TEST(UserArea, SlotHoldsTitleMelodyAndZeros) {
    const std::vector<uint8_t> melody = {1, 2, 3};
    const auto slot = BuildSlot(0, "abc", melody);
    ASSERT_EQ(slot.size(), 8192u);
    EXPECT_EQ(std::string(slot.begin(), slot.begin() + 4), std::string("abc\0", 4));
    EXPECT_EQ(slot[32], 1);
    EXPECT_EQ(slot[34], 3);
    EXPECT_EQ(slot[35], 0);
    EXPECT_EQ(slot.back(), 0);
}

TEST(UserArea, LongTitleKeepsThirtyTwoCharactersWithoutZero) {
    const std::string forty(40, 'x');
    const auto slot = BuildSlot(8, forty, {});
    EXPECT_EQ(std::string(slot.begin(), slot.begin() + 32), std::string(32, 'x'));
    EXPECT_EQ(slot[32], 0);  // the melody area, empty here
    EXPECT_EQ(SlotTitle(slot), std::string(32, 'x'));
}

TEST(UserArea, MelodyIsCutToTheSlot) {
    const std::vector<uint8_t> melody(8192, 0x11);
    const auto slot = BuildSlot(3, "full", melody);
    EXPECT_EQ(slot.size(), 8192u);
    EXPECT_EQ(slot[8191], 0x11);
}

TEST(UserArea, TitlesAreWindows1252) {
    const auto slot = BuildSlot(0, "Caf\xC3\xA9 \xE2\x82\xAC", {});  // "Café €"
    EXPECT_EQ(slot[3], 0xE9);
    EXPECT_EQ(slot[5], 0x80);
    EXPECT_EQ(SlotTitle(slot), "Caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(Utf8ToCp1252("\xE2\x98\x83"), "?");  // a snowman has no byte
}

// What is not UTF-8 goes through byte for byte: an overlong 0 must not end the title early on the handset.
TEST(UserArea, BytesThatAreNotUtf8StayAsTheyAre) {
    EXPECT_EQ(Utf8ToCp1252("a\xC0\x80z"), "a\xC0\x80z");              // overlong U+0000
    EXPECT_EQ(Utf8ToCp1252("\xE0\x81\x81"), "\xE0\x81\x81");          // overlong 'A'
    EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "\xED\xA0\x80");          // a surrogate
    EXPECT_EQ(Utf8ToCp1252("\xF4\x90\x80\x80"), "\xF4\x90\x80\x80");  // past U+10FFFF
    EXPECT_EQ(Utf8ToCp1252("\xC3"), "\xC3");                          // cut short
    const auto slot = BuildSlot(0, "a\xC0\x80z", {});
    EXPECT_EQ(std::string(slot.begin(), slot.begin() + 4), "a\xC0\x80z");
}

TEST(UserArea, AnErasedTitleShowsThirtyTwoYDiaereses) {
    const std::vector<uint8_t> erased(32, 0xFF);
    std::string expected;
    for (int i = 0; i < 32; ++i) expected += "\xC3\xBF";
    EXPECT_EQ(SlotTitle(erased), expected);
}

TEST(UserArea, MelodyBytesFollowTheSmafLengthOrDropTrailingZeros) {
    std::vector<uint8_t> slot(64, 0);
    const uint8_t smaf[] = {'M', 'M', 'M', 'D', 0, 0, 0, 4, 9, 0, 0, 0};  // 8 + 4 bytes, the last three zero
    std::copy(std::begin(smaf), std::end(smaf), slot.begin() + 32);
    EXPECT_EQ(MelodyBytes(slot), std::vector<uint8_t>(std::begin(smaf), std::end(smaf)));

    std::vector<uint8_t> raw(64, 0);
    raw[32] = 5;
    raw[33] = 0;
    raw[34] = 6;
    EXPECT_EQ(MelodyBytes(raw), (std::vector<uint8_t>{5, 0, 6}));
}

TEST(UserArea, ASmafFileStartsWithItsFileChunkHeader) {
    EXPECT_TRUE(StartsWithSmafChunk(std::vector<uint8_t>{'M', 'M', 'M', 'D', 0, 0, 0, 0}));
    EXPECT_FALSE(StartsWithSmafChunk(std::vector<uint8_t>{'M', 'M', 'M', 'D', 0, 0, 0}));  // header cut short
    EXPECT_FALSE(StartsWithSmafChunk(std::vector<uint8_t>{'M', 'M', 'M', 'd', 0, 0, 0, 0}));
    EXPECT_FALSE(StartsWithSmafChunk(std::vector<uint8_t>{'R', 'I', 'F', 'F', 0, 0, 0, 0}));
    EXPECT_FALSE(StartsWithSmafChunk({}));
}

TEST(UserArea, OnlyATitleOfThirtyTwo0xFFBytesIsAnErasedSlot) {
    std::vector<uint8_t> slot(8192, 0xFF);
    EXPECT_TRUE(IsErasedSlot(slot));
    slot[31] = 0xFE;
    EXPECT_FALSE(IsErasedSlot(slot));
    std::vector<uint8_t> titleErasedOnly(8192, 0);
    std::fill_n(titleErasedOnly.begin(), 32, 0xFF);
    EXPECT_TRUE(IsErasedSlot(titleErasedOnly));
    EXPECT_FALSE(IsErasedSlot(std::vector<uint8_t>(8192, 0)));
}

TEST(UserArea, APlainSlotIsTheImageUnscrambledAndZeroBeyondAShortImage) {
    std::vector<uint8_t> image(kUserAreaBytes);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 5 + 1);
    std::vector<uint8_t> expected(image.begin() + 0x14000, image.begin() + 0x18000);
    ScrambleBytes(expected.data(), expected.size());
    EXPECT_EQ(PlainSlot(image, 9), expected);

    image.resize(0x14000 + 10);
    const auto cut = PlainSlot(image, 9);
    ASSERT_EQ(cut.size(), 16384u);
    EXPECT_TRUE(std::equal(cut.begin(), cut.begin() + 10, expected.begin()));
    EXPECT_EQ(cut[10], 0);
    EXPECT_EQ(PlainSlot({}, 0), std::vector<uint8_t>(8192, 0));
}

TEST(UserArea, SlotNumbersAreOneToTwelve) {
    EXPECT_EQ(SlotIndexFromNumber("1"), 0);
    EXPECT_EQ(SlotIndexFromNumber("12"), 11);
    EXPECT_FALSE(SlotIndexFromNumber("0"));
    EXPECT_FALSE(SlotIndexFromNumber("13"));
    EXPECT_FALSE(SlotIndexFromNumber("3x"));
}

}  // namespace
}  // namespace cantavo
