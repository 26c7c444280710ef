#include "transfer/scramble.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace cantavo {
namespace {

std::vector<uint8_t> AllBytesTwice() {
    std::vector<uint8_t> bytes;
    for (int pass = 0; pass < 2; ++pass)
        for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<uint8_t>(b));
    bytes.push_back(0x41);  // odd length: every byte value at both parities
    return bytes;
}

TEST(ScrambleBytes, KeyIsOurs) {
    EXPECT_EQ(ScrambleKey(), (std::array<uint8_t, 2>{0x5C, 0x3A}));
}

TEST(ScrambleBytes, IsItsOwnInverseAndNeverTouchesOrMakesZeroOrFF) {
    const auto original = AllBytesTwice();
    auto bytes = original;
    ScrambleBytes(bytes.data(), bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const bool extreme = original[i] == 0x00 || original[i] == 0xFF;
        EXPECT_EQ(bytes[i] == 0x00 || bytes[i] == 0xFF, extreme) << "offset " << i;
        if (extreme) {
            EXPECT_EQ(bytes[i], original[i]);
        }
    }
    ScrambleBytes(bytes.data(), bytes.size());
    EXPECT_EQ(bytes, original);
}

TEST(ScrambleBytes, XorsWithTheKeyByteOfTheOffsetsParityExceptTheFixedSet) {
    // Fixed set for keys 5C and 3A (XOR 66): 00 FF 5C A3 3A C5 66 99.
    const std::set<uint8_t> fixed = {0x00, 0xFF, 0x5C, 0xA3, 0x3A, 0xC5, 0x66, 0x99};
    auto bytes = AllBytesTwice();
    const auto original = bytes;
    ScrambleBytes(bytes.data(), bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        const uint8_t expected = fixed.count(original[i]) ? original[i] : original[i] ^ (i % 2 ? 0x3A : 0x5C);
        EXPECT_EQ(bytes[i], expected) << "offset " << i;
    }
    uint8_t pair[] = {0x41, 0x41};
    ScrambleBytes(pair, 2);
    EXPECT_EQ(pair[0], 0x1D);
    EXPECT_EQ(pair[1], 0x7B);
}

}  // namespace
}  // namespace cantavo
