#include "player/unsigned_text.h"

#include <gtest/gtest.h>

namespace cantavo {

TEST(ParseUnsignedText, AcceptsDecimalNumbersUpTo32Bits) {
    EXPECT_EQ(ParseUnsignedText("0"), 0u);
    EXPECT_EQ(ParseUnsignedText("3000"), 3000u);
    EXPECT_EQ(ParseUnsignedText("  42\t"), 42u);
    EXPECT_EQ(ParseUnsignedText("007"), 7u);
    EXPECT_EQ(ParseUnsignedText("4294967295"), 4294967295u);
}

TEST(ParseUnsignedText, RefusesEverythingElse) {
    for (const char* text :
         {"", "   ", "-1", "+5", "12a", "1 2", "4294967296", "99999999999999999999", "0x10"})
        EXPECT_FALSE(ParseUnsignedText(text).has_value()) << '"' << text << '"';
}

}  // namespace cantavo
