#include "transfer/loader_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace cantavo {
namespace {

TEST(LoaderTable, BuiltInEntryZeroIsTheFullPlaceholder) {
    const auto& table = BuiltInLoaderTable();
    EXPECT_EQ(table.sizes[0], 5976u);
    EXPECT_EQ(table.sizes[1], 0u);
    EXPECT_EQ(std::string(table.images[0].begin(), table.images[0].begin() + 4), "CVLD");
}

TEST(LoaderTable, ParsingChecksTheLayout) {
    std::vector<uint8_t> bytes(kLoaderTableBytes, 0);
    EXPECT_FALSE(ParseLoaderTable(bytes.data(), bytes.size()));  // image 0 of size 0
    bytes[0] = 60;
    const auto table = ParseLoaderTable(bytes.data(), bytes.size());
    ASSERT_TRUE(table);
    EXPECT_EQ(table->sizes[0], 60u);
    EXPECT_FALSE(ParseLoaderTable(bytes.data(), bytes.size() - 1));
    std::string error;
    EXPECT_FALSE(ReadLoaderTableFile("/nonexistent/loader.ldr", error));
    EXPECT_NE(error.find("/nonexistent/loader.ldr"), std::string::npos);
}

}  // namespace
}  // namespace cantavo
