#include "transfer/loader_table.h"

#include <gtest/gtest.h>

#include <vector>

#include "transfer/placeholder_loader.h"
#include "transfer/protocol.h"

namespace cantavo {
namespace {

TEST(LoaderTable, BuiltInEntryZeroIsTheFullPlaceholder) {
    const auto& table = BuiltInLoaderTable();
    EXPECT_EQ(table.sizes[0], 5976u);
    EXPECT_EQ(table.sizes[1], 0u);
    EXPECT_EQ(std::string(table.images[0].begin(), table.images[0].begin() + 4), "CVLD");
}

TEST(LoaderTable, ThePlaceholderPassesTheHandsetsCheckOnlyWithTheConnectParameters) {
    std::vector<uint8_t> received(BuiltInLoaderTable().images[0].begin(),
                                  BuiltInLoaderTable().images[0].end());
    EXPECT_NE(CheckPlaceholderLoader(received, 3), "");  // parameter words still zero
    received[8] = 0x04;
    received[10] = 0x02;  // 0x00020004
    received[12] = 3;     // line control for 8 bits, no parity
    EXPECT_EQ(CheckPlaceholderLoader(received, 3), "");
    received[100] ^= 1;
    EXPECT_NE(CheckPlaceholderLoader(received, 3), "");
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
