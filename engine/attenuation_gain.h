#pragma once
// Attenuation in 0.5 dB steps (0..192, 192 = silence) to a Q15 gain, shared by the FM and ADPCM voices.

#include <cstdint>

#include "engine/attenuation_computed.h"

namespace cantavo {

inline constexpr uint8_t kMaxAttenuation = 192;  // 0.5 dB steps; silence

static_assert(kAttenuationGain.size() == kMaxAttenuation + 1);  // computed at build time

// The gain of an attenuation, capped at silence.
constexpr int32_t AttenuationGain(uint8_t attenuation) {
    return kAttenuationGain[attenuation < kMaxAttenuation ? attenuation : kMaxAttenuation];
}

}  // namespace cantavo
