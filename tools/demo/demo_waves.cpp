#include "tools/demo/demo_waves.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "smaf_writer/adpcm_encoder.h"

namespace cantavo::demo {

namespace {
constexpr double kPeak = 24000.0;
constexpr double kDecayPerSecond = 4.0;  // e-folding rate of the strike
constexpr double kOvertoneRatio = 2.76;  // the bell's strong inharmonic partial
constexpr double kOvertoneLevel = 0.35;
constexpr double kOvertoneDecay = 3.0;  // the partial dies this much faster
constexpr double kAttackSeconds = 0.004;
}  // namespace

smaf::Bytes BellWave(double frequency_hz, uint32_t duration_ms, uint32_t rate_hz) {
    const size_t count = static_cast<size_t>(uint64_t{duration_ms} * rate_hz / 1000);
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate_hz;
        const double attack = std::min(1.0, t / kAttackSeconds);
        const double fundamental = std::sin(2 * std::numbers::pi * frequency_hz * t);
        const double overtone = kOvertoneLevel * std::exp(-kOvertoneDecay * kDecayPerSecond * t) *
                                std::sin(2 * std::numbers::pi * frequency_hz * kOvertoneRatio * t);
        samples[i] = static_cast<int16_t>(kPeak * attack * std::exp(-kDecayPerSecond * t) *
                                          (fundamental + overtone) / (1 + kOvertoneLevel));
    }
    return smaf::EncodeAdpcm(samples);
}

}  // namespace cantavo::demo
