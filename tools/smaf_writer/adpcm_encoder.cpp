#include "tools/smaf_writer/adpcm_encoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace smaf {

namespace {

constexpr int32_t kStepMin = 127;
constexpr int32_t kStepMax = 24576;
// Step multipliers by nibble magnitude, Q14.
constexpr std::array<int32_t, 8> kStepMultiplier = {14720, 14720, 14720, 14720, 19648, 26176, 32768, 39296};

// The decoder's state as the player's decoder will hold it.
struct DecoderState {
    int32_t predictor = 0;
    int32_t step = kStepMin;

    DecoderState After(uint8_t nibble) const {
        int32_t delta = step >> 3;
        if (nibble & 4) delta += step;
        if (nibble & 2) delta += step >> 1;
        if (nibble & 1) delta += step >> 2;
        if (nibble & 8) delta = -delta;
        return {std::clamp(predictor + delta, -32768, 32767),
                std::clamp((step * kStepMultiplier[nibble & 7]) >> 14, kStepMin, kStepMax)};
    }
};

uint8_t EncodeSample(DecoderState& state, int16_t sample) {
    uint8_t best = 0;
    int32_t best_error = INT32_MAX;
    for (uint8_t nibble = 0; nibble < 16; ++nibble) {
        const int32_t error = std::abs(state.After(nibble).predictor - sample);
        if (error < best_error) {
            best_error = error;
            best = nibble;
        }
    }
    state = state.After(best);
    return best;
}

}  // namespace

Bytes EncodeAdpcm(std::span<const int16_t> samples) {
    Bytes out;
    out.reserve((samples.size() + 1) / 2);
    DecoderState state;
    for (size_t i = 0; i < samples.size(); i += 2) {
        const int16_t second = i + 1 < samples.size() ? samples[i + 1] : samples[i];
        const uint8_t low = EncodeSample(state, samples[i]);
        const uint8_t high = EncodeSample(state, second);
        out.push_back(static_cast<uint8_t>(low | (high << 4)));
    }
    return out;
}

}  // namespace smaf
