#pragma once
// Attenuation in 0.5 dB steps (0..192, 192 = silence) to a Q15 gain, shared by the FM and ADPCM voices.

#include <array>
#include <cmath>
#include <cstdint>

inline constexpr uint8_t kMaxAttenuation = 192;  // 0.5 dB steps; silence

// Q15: round(32768 x 10^(-0.5 i / 20)) for i < 192, entry 192 = 0.
inline constexpr std::array<int32_t, kMaxAttenuation + 1> kAttenuationGain = [] {
    std::array<int32_t, kMaxAttenuation + 1> table{};
    for (int i = 0; i < kMaxAttenuation; ++i)
        table[i] = static_cast<int32_t>(std::floor(32768.0 * std::pow(10.0, -0.5 * i / 20.0) + 0.5));
    table[kMaxAttenuation] = 0;
    return table;
}();

// The gain of an attenuation, capped at silence.
constexpr int32_t AttenuationGain(uint8_t attenuation) {
    return kAttenuationGain[attenuation < kMaxAttenuation ? attenuation : kMaxAttenuation];
}
