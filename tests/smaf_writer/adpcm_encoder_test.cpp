// The encoder against the engine's decoder (the ADPCM player's wave table).
#include "smaf_writer/adpcm_encoder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "engine/adpcm_player.h"

namespace cantavo {
namespace {

std::vector<int16_t> Decode(const smaf::Bytes& adpcm) {
    CAdpcmPlayer player;
    const uint32_t index = player.LoadWave(1, adpcm.data(), static_cast<uint32_t>(adpcm.size()), 8000);
    const AdpcmWave& wave = player.Wave(index);
    return std::vector<int16_t>(wave.samples.get(), wave.samples.get() + wave.count);
}

std::vector<int16_t> Sine(double hz, double amplitude, size_t count) {
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; ++i)
        samples[i] = static_cast<int16_t>(amplitude * std::sin(2 * std::numbers::pi * hz * i / 8000.0));
    return samples;
}

double RmsError(const std::vector<int16_t>& a, const std::vector<int16_t>& b, size_t from) {
    double sum = 0;
    for (size_t i = from; i < a.size(); ++i) sum += (a[i] - b[i]) * double(a[i] - b[i]);
    return std::sqrt(sum / double(a.size() - from));
}

TEST(AdpcmEncoder, TwoSamplesPerByte) {
    EXPECT_EQ(smaf::EncodeAdpcm(Sine(440, 1000, 100)).size(), 50u);
    EXPECT_EQ(smaf::EncodeAdpcm(Sine(440, 1000, 101)).size(), 51u);
    EXPECT_TRUE(smaf::EncodeAdpcm({}).empty());
}

TEST(AdpcmEncoder, DecoderReproducesTheSignal) {
    for (const double amplitude : {2000.0, 12000.0, 30000.0}) {
        const std::vector<int16_t> input = Sine(440, amplitude, 4000);
        const std::vector<int16_t> output = Decode(smaf::EncodeAdpcm(input));
        ASSERT_EQ(output.size(), input.size());
        // After the step has adapted (a few dozen samples) the error stays a small part of the amplitude.
        EXPECT_LT(RmsError(input, output, 200), 0.05 * amplitude) << amplitude;
    }
}

TEST(AdpcmEncoder, SilenceStaysNearZero) {
    const std::vector<int16_t> output = Decode(smaf::EncodeAdpcm(std::vector<int16_t>(1000, 0)));
    for (const int16_t sample : output) EXPECT_LE(std::abs(sample), 32);
}

}  // namespace
}  // namespace cantavo
