// A card that wants 48000 Hz gets the same music: same pitch, same length.
#include "player/rate_converter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace cantavo {
namespace {

// Counts upward zero crossings of the left channel.
int RisingCrossings(const std::vector<int16_t>& frames) {
    int count = 0;
    for (size_t i = 2; i < frames.size(); i += 2) count += frames[i - 2] < 0 && frames[i] >= 0;
    return count;
}

}  // namespace

TEST(RateConverter, Keeps1000HzAt1000HzAndTheDurationAt22050To48000) {
    std::string error;
    auto converter = RateConverter::Create(22050, 48000, 256, error);
    ASSERT_NE(converter, nullptr) << error;
    constexpr int kInputFrames = 22050;  // one second in slices of 256 frames, as the device hands them over
    std::vector<int16_t> input(kInputFrames * 2);
    for (int i = 0; i < kInputFrames; ++i)
        input[2 * i] = input[2 * i + 1] =
            static_cast<int16_t>(10000 * std::sin(2 * std::numbers::pi * 1000 * (i + 0.5) / 22050));
    std::vector<int16_t> output;
    for (int at = 0; at < kInputFrames; at += 256) {
        const int frames = std::min(256, kInputFrames - at);
        auto out = converter->Convert({input.data() + 2 * at, static_cast<size_t>(frames) * 2});
        output.insert(output.end(), out.begin(), out.end());
    }
    const size_t output_frames = output.size() / 2;
    // 48000 frames, less what the filter still holds (a few dozen).
    EXPECT_LE(output_frames, 48000u);
    EXPECT_GE(output_frames, 47800u);
    // One second of a 1000 Hz tone: 1000 cycles, less the part held back.
    const int crossings = RisingCrossings(output);
    EXPECT_GE(crossings, 994);
    EXPECT_LE(crossings, 1000);
    // Left and right stay equal, the level stays about the same.
    int16_t peak = 0;
    for (size_t i = 0; i < output.size(); i += 2) {
        ASSERT_EQ(output[i], output[i + 1]);
        peak = std::max<int16_t>(peak, output[i]);
    }
    EXPECT_NEAR(peak, 10000, 300);
}

TEST(RateConverter, RefusesAnImpossibleRatio) {
    std::string error;
    EXPECT_EQ(RateConverter::Create(22050, 22050 * 1000, 256, error), nullptr);
    EXPECT_FALSE(error.empty());
}

}  // namespace cantavo
