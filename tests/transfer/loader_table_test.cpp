#include "transfer/loader_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/transfer/temp_dir.h"
#include "tests/transfer/test_files.h"

namespace cantavo {
namespace {

using testing::CTempDir;
using testing::LoaderTableFile;
using testing::WriteAll;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * 7);
    return bytes;
}

TEST(LoaderTable, BuiltInEntryZeroIsTheFullPlaceholder) {
    const auto& table = BuiltInLoaderTable();
    EXPECT_EQ(table.sizes[0], 5976u);
    EXPECT_EQ(table.sizes[1], 0u);
    EXPECT_EQ(std::string(table.images[0].begin(), table.images[0].begin() + 4), "CVLD");
    EXPECT_EQ(table.Image().size(), 5976u);
}

TEST(LoaderTable, ParsingChecksTheLayout) {
    std::vector<uint8_t> bytes(kLoaderTableBytes, 0);
    EXPECT_FALSE(ParseLoaderTable(bytes.data(), bytes.size()));  // image 0 of size 0
    bytes[0] = 60;
    const auto table = ParseLoaderTable(bytes.data(), bytes.size());
    ASSERT_TRUE(table);
    EXPECT_EQ(table->sizes[0], 60u);
    EXPECT_FALSE(ParseLoaderTable(bytes.data(), bytes.size() - 1));
}

TEST(LoaderFile, ATableGivesItsEntryZero) {
    CTempDir folder;
    const auto image = Pattern(1000, 3);
    WriteAll(folder / "real.ldr", LoaderTableFile(image));
    std::string error;
    const auto table = ReadLoaderFile(folder / "real.ldr", error);
    ASSERT_TRUE(table) << error;
    EXPECT_EQ(std::vector<uint8_t>(table->Image().begin(), table->Image().end()), image);
}

TEST(LoaderFile, ABareImageOf30To5976BytesIsEntryZero) {
    CTempDir folder;
    for (size_t size : {size_t{30}, size_t{2048}, size_t{5976}}) {
        const auto image = Pattern(size, 11);
        WriteAll(folder / "image.bin", image);
        std::string error;
        const auto table = ReadLoaderFile(folder / "image.bin", error);
        ASSERT_TRUE(table) << size << ": " << error;
        EXPECT_EQ(table->sizes[0], size);
        EXPECT_EQ(std::vector<uint8_t>(table->Image().begin(), table->Image().end()), image);
    }
}

TEST(LoaderFile, AnythingElseIsRefusedWithThePathAndTheReason) {
    CTempDir folder;
    const auto refused = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        WriteAll(folder / name, bytes);
        std::string error;
        EXPECT_FALSE(ReadLoaderFile(folder / name, error)) << name;
        return error;
    };
    const std::string path = (folder / "short.bin").string();
    EXPECT_EQ(
        refused("short.bin", Pattern(29, 1)),
        path + ": 29 bytes, neither a loader table (11960 bytes) nor a loader image (30 to 5976 bytes)");
    EXPECT_NE(refused("long.bin", Pattern(5977, 1)).find("5977 bytes, neither"), std::string::npos);
    EXPECT_NE(refused("empty.bin", {}).find("0 bytes, neither"), std::string::npos);
    EXPECT_NE(refused("table+1.bin", Pattern(11961, 1)).find("11961 bytes"), std::string::npos);
    EXPECT_EQ(refused("bad.ldr", LoaderTableFile(6000, Pattern(100, 1))),
              (folder / "bad.ldr").string() +
                  ": a loader table whose image 0 has 6000 bytes (30 to 5976 expected)");
    std::string error;
    EXPECT_FALSE(ReadLoaderFile(folder / "none.ldr", error));
    EXPECT_EQ(error, (folder / "none.ldr").string() + ": No such file or directory");
}

TEST(LoaderFile, ThePlaceholderIsKnownWhereverItWasReadFrom) {
    EXPECT_TRUE(IsPlaceholderLoader(BuiltInLoaderTable()));
    CTempDir folder;
    const auto placeholder = BuiltInLoaderTable().Image();
    WriteAll(folder / "copy.bin", {placeholder.begin(), placeholder.end()});
    std::string error;
    const auto copy = ReadLoaderFile(folder / "copy.bin", error);
    ASSERT_TRUE(copy) << error;
    EXPECT_TRUE(IsPlaceholderLoader(*copy));
    auto changed = *copy;
    changed.images[0][100] ^= 1;
    EXPECT_FALSE(IsPlaceholderLoader(changed));
    changed = *copy;
    changed.sizes[0] = 5000;  // the placeholder's first bytes only
    EXPECT_FALSE(IsPlaceholderLoader(changed));
}

TEST(LoaderFile, ThePlaceholderGoesOnlyToAPseudoTerminal) {
    EXPECT_TRUE(MayDownloadLoader(/*loaderIsPlaceholder=*/true, /*portIsPseudoTerminal=*/true));
    EXPECT_FALSE(MayDownloadLoader(true, false));
    EXPECT_TRUE(MayDownloadLoader(false, true));
    EXPECT_TRUE(MayDownloadLoader(false, false));
}

}  // namespace
}  // namespace cantavo
