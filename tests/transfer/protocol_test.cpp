#include "transfer/protocol.h"

#include <gtest/gtest.h>

namespace cantavo::protocol {
namespace {

TEST(LineSpeedCommand, SpeedIndexIsTheFirstPowerOfTwoStepReachingTheBaud) {
    EXPECT_EQ(LineSpeedCommand::SpeedIndexFor(1200), 0);
    EXPECT_EQ(LineSpeedCommand::SpeedIndexFor(2400), 1);
    EXPECT_EQ(LineSpeedCommand::SpeedIndexFor(9600), 3);
    EXPECT_EQ(LineSpeedCommand::SpeedIndexFor(38400), 5);
    EXPECT_EQ(LineSpeedCommand::SpeedIndexFor(57600), 6);    // 1200 * 64 = 76800
    EXPECT_EQ(LineSpeedCommand::SpeedIndexFor(115200), 7);   // 1200 * 128 = 153600
    EXPECT_EQ(LineSpeedCommand::SpeedIndexFor(1000000), 8);  // none reaches it
    EXPECT_EQ(LineSpeedCommand::BaudFor(7), 115200u);
    EXPECT_EQ(LineSpeedCommand::BaudFor(6), 57600u);
}

TEST(LineSpeedCommand, EncodesTheBytesAndTheirXor) {
    // 06 ^ 53 ^ 07 ^ 50 ^ 00 ^ 54 ^ 01 = 57, worked out by hand.
    const auto bytes = LineSpeedCommand{7, 0, 0}.Encode();
    EXPECT_EQ(bytes, (std::array<uint8_t, 8>{0x06, 0x53, 0x07, 0x50, 0x00, 0x54, 0x01, 0x57}));
    const auto decoded = LineSpeedCommand::Decode(bytes);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->speedIndex, 7);
    auto corrupt = bytes;
    corrupt[2] = 0x06;
    EXPECT_FALSE(LineSpeedCommand::Decode(corrupt));
}

TEST(LoaderFrame, LengthDataAndXorCheck) {
    const uint8_t data[] = {0x01, 0x02, 0x03};
    // 03 ^ 01 ^ 02 ^ 03 = 03
    EXPECT_EQ(LoaderFrame::Encode(data), (std::vector<uint8_t>{0x03, 0x01, 0x02, 0x03, 0x03}));
    EXPECT_EQ(LoaderFrame::Encode({}), (std::vector<uint8_t>{0x00, 0x00}));
}

TEST(LoaderParameters, WordsFromTheSettings) {
    EXPECT_EQ(LoaderModeWord(0), 0u);
    EXPECT_EQ(LoaderModeWord(2), 2u);
    EXPECT_EQ(LoaderModeWord(7), 0u);
    EXPECT_EQ(LineControlWord(8, 0), 3u);
    EXPECT_EQ(LineControlWord(0, 0), 2u);
    EXPECT_EQ(LineControlWord(8, 1), 0x0Bu);
    EXPECT_EQ(LineControlWord(8, 2), 0x1Bu);
}

TEST(BlockHeader, LengthLittleEndianAndAnEightBitSum) {
    EXPECT_EQ((BlockHeader{1024, 0x5A}.Encode()), (std::array<uint8_t, 4>{0xAA, 0x00, 0x04, 0x5A}));
    const uint8_t data[] = {0xF0, 0x20, 0x01};  // 0x111 -> 0x11
    EXPECT_EQ(BlockHeader::Checksum(data), 0x11);
    const std::array<uint8_t, 4> wire{0xAA, 0x0C, 0x00, 0x7F};
    const auto header = BlockHeader::Decode(wire);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->length, 12);
    EXPECT_EQ(header->checksum, 0x7F);
}

}  // namespace
}  // namespace cantavo::protocol
