#include <gtest/gtest.h>

#include <fstream>

#include "host/voice_folder.h"

namespace cantavo {
namespace {

namespace fs = std::filesystem;

class VoiceFilesInAFolder : public ::testing::Test {
protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) /
                 ("cantavo-voices-" +
                  std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void Write(const char* name, const std::vector<uint8_t>& bytes) {
        std::ofstream out(folder / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        ASSERT_TRUE(out.good());
    }
    fs::path folder;
    std::vector<uint8_t> vma{9}, adp{9};  // anything but what is expected
};

TEST_F(VoiceFilesInAFolder, BothFilesAreReadWhole) {
    Write("ma2voice.vma", {1, 2, 3});
    Write("ma2voice.adp", {4, 5});
    ReadVoiceFiles(folder, vma, adp);
    EXPECT_EQ(vma, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(adp, (std::vector<uint8_t>{4, 5}));
}

TEST_F(VoiceFilesInAFolder, AMissingOrUnreadableFileGivesNoBytes) {
    Write("ma2voice.adp", {4, 5});
    fs::create_directory(folder / "ma2voice.vma");  // not a file
    ReadVoiceFiles(folder, vma, adp);
    EXPECT_TRUE(vma.empty());
    EXPECT_EQ(adp, (std::vector<uint8_t>{4, 5}));

    ReadVoiceFiles(folder / "nowhere", vma, adp);
    EXPECT_TRUE(vma.empty());
    EXPECT_TRUE(adp.empty());
    adp = {9};
    ReadVoiceFiles({}, vma, adp);  // no folder: the built-in voices
    EXPECT_TRUE(adp.empty());
}

}  // namespace
}  // namespace cantavo
