#pragma once
// The 4-bit ADPCM decoder of the wave voice, one nibble at a time (low nibble of a byte first). The player
// decodes waves with it; the SMAF writer's encoder runs it on every candidate nibble, so encoder and decoder
// can never disagree.

#include <algorithm>
#include <array>
#include <cstdint>

namespace cantavo {

struct AdpcmDecoder {
    static constexpr int32_t kStepMin = 127;
    static constexpr int32_t kStepMax = 24576;
    // Step multipliers by nibble magnitude, Q14 (0.8984 .. 2.3984).
    static constexpr std::array<int32_t, 8> kStepMultiplier = {14720, 14720, 14720, 14720,
                                                               19648, 26176, 32768, 39296};

    int32_t predictor = 0;  // the last decoded sample
    int32_t step = kStepMin;

    // The state after decoding `nibble`; its predictor is the decoded sample.
    constexpr AdpcmDecoder After(uint8_t nibble) const {
        int32_t delta = step >> 3;
        if (nibble & 4) delta += step;
        if (nibble & 2) delta += step >> 1;
        if (nibble & 1) delta += step >> 2;
        if (nibble & 8) delta = -delta;
        return {std::clamp(predictor + delta, -32768, 32767),
                std::clamp((step * kStepMultiplier[nibble & 7]) >> 14, kStepMin, kStepMax)};
    }

    int16_t Decode(uint8_t nibble) {
        *this = After(nibble);
        return static_cast<int16_t>(predictor);
    }
};

}  // namespace cantavo
