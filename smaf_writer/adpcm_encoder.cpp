#include "smaf_writer/adpcm_encoder.h"

#include <cstdlib>

#include "engine/adpcm_decoder.h"

namespace cantavo::smaf {

namespace {

uint8_t EncodeSample(AdpcmDecoder& state, int16_t sample) {
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
    AdpcmDecoder state;
    for (size_t i = 0; i < samples.size(); i += 2) {
        const int16_t second = i + 1 < samples.size() ? samples[i + 1] : samples[i];
        const uint8_t low = EncodeSample(state, samples[i]);
        const uint8_t high = EncodeSample(state, second);
        out.push_back(static_cast<uint8_t>(low | (high << 4)));
    }
    return out;
}

}  // namespace cantavo::smaf
