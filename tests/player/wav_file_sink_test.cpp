// The wav: backend writes what would be heard, with a header that describes it.
#include "player/wav_file_sink.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace cantavo {
namespace {

std::vector<uint8_t> ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class WavFileSinkTest : public ::testing::Test {
protected:
    std::filesystem::path path_ = std::filesystem::path(::testing::TempDir()) / "wav_file_sink_test.wav";
    void TearDown() override { std::filesystem::remove(path_); }
};

TEST_F(WavFileSinkTest, WritesACanonicalHeaderAndTheBytesInOrder) {
    std::string error;
    {
        auto sink = WavFileSink::Create(path_.string(), kPlayerWaveFormat, error);
        ASSERT_NE(sink, nullptr) << error;
        const uint8_t first[] = {1, 2, 3, 4, 5, 6, 7, 8};
        const uint8_t second[] = {9, 10, 11, 12};
        sink->Start();
        sink->Consume(first, sizeof first);
        sink->Idle(false);
        sink->Consume(second, sizeof second);
    }
    // RIFF size 36 + 12, PCM, 2 channels, 22050 Hz, 88200 bytes/s, 4 bytes a frame, 16 bits, 12 data bytes.
    const std::vector<uint8_t> expected = {
        'R', 'I', 'F', 'F', 48, 0,    0,    0, 'W', 'A',  'V',  'E',  'f', 'm', 't', ' ', 16, 0,   0,
        0,   1,   0,   2,   0,  0x22, 0x56, 0, 0,   0x88, 0x58, 0x01, 0,   4,   0,   16,  0,  'd', 'a',
        't', 'a', 12,  0,   0,  0,    1,    2, 3,   4,    5,    6,    7,   8,   9,   10,  11, 12};
    EXPECT_EQ(ReadAll(path_), expected);
}

TEST_F(WavFileSinkTest, TheHeaderIsCurrentWheneverTheDeviceIdles) {
    std::string error;
    auto sink = WavFileSink::Create(path_.string(), kPlayerWaveFormat, error);
    ASSERT_NE(sink, nullptr) << error;
    const uint8_t frame[] = {1, 0, 2, 0};
    sink->Consume(frame, sizeof frame);
    sink->Idle(true);
    const std::vector<uint8_t> file = ReadAll(path_);
    ASSERT_EQ(file.size(), 48u);
    EXPECT_EQ(file[40], 4);
    EXPECT_EQ(file[4], 40);
}

}  // namespace
}  // namespace cantavo
