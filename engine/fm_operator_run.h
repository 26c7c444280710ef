#pragma once
// The per-sample state of one FM operator during a pass, shared by the portable renderer and the vector
// renderer (which uses it for the rare envelope state changes of single lanes).

#include <cstdint>

#include "engine/fm_synth.h"
#include "engine/fm_tables.h"

namespace cantavo::fm_render {

constexpr uint32_t kFullLevel = 0x80000000;                  // eg_level at full output
constexpr int kEnvelopeShift = 30;                           // the multipliers are Q30
constexpr uint32_t kUnityMultiplier = 1u << kEnvelopeShift;  // holds the level
constexpr int kPhaseIndexShift = 20;                         // 12.20 phase to waveform index
constexpr uint32_t kPhaseIndexMask = fm_tables::kWaveLength - 1;

// Operator gains stay at or below unity (Q15), which keeps every operator output within +-32767.
// Plain loops: the check must fit any compiler's constant-evaluation step limit.
constexpr bool AtMostUnity(const auto& gains) {
    for (const auto gain : gains)
        if (gain > 32768) return false;
    return true;
}
constexpr bool GainsAtMostUnity() {
    bool ok = AtMostUnity(fm_tables::kTotalLevelGain);
    for (const auto& row : fm_tables::kKeyScaleGain) ok = ok && AtMostUnity(row);
    for (const auto& row : fm_tables::kTremolo) ok = ok && AtMostUnity(row);
    return ok;
}
static_assert(GainsAtMostUnity());

constexpr uint32_t Decayed(uint32_t level, uint32_t multiplier) {
    return static_cast<uint32_t>((uint64_t{level} * multiplier) >> kEnvelopeShift);
}

// The per-sample state of one operator, held in locals for one pass and written back after it. Decay,
// sustain and release share one path: the level is multiplied by `multiplier` and leaves the state when it
// falls to `threshold` (the sustain target in decay, 0 otherwise). A multiplier of exactly one above the
// threshold can never move the level, so such an envelope stands still, and so does its gain, until the
// LFO's next step.
struct OperatorRun {
    enum Motion : uint8_t { kStill, kExponential, kLinear };

    const int16_t* wave;
    uint32_t phase;
    uint32_t increment;
    uint32_t amplitude;
    uint32_t gain;  // Q15, at most unity: envelope times amplitude
    uint32_t eg_level;
    uint32_t eg_state;
    Motion motion;
    uint32_t multiplier;
    uint32_t threshold;
    const FmOperator* op;

    void Load(const FmOperator& source) {
        op = &source;
        wave = source.wave;
        phase = source.phase;
        increment = source.increment_now;
        amplitude = source.amplitude;
        eg_level = source.eg_level;
        Enter(source.eg_state);
    }

    // The LFO's next step: vibrato and tremolo of the next segment. An operator that is off keeps its phase.
    void Modulate(uint32_t increment_now, uint32_t amplitude_now) {
        amplitude = amplitude_now;
        gain = Gain();
        if (eg_state != kEgOff) increment = increment_now;
    }

    void Store(FmOperator& target) const {
        target.phase = phase;
        target.eg_level = eg_level;
        target.eg_state = eg_state;
    }

    uint32_t Gain() const { return ((eg_level >> 16) * amplitude) >> 15; }

    // An operator that is off stands still with no phase step: it outputs 0 and its phase keeps its value.
    void Enter(uint32_t state) {
        eg_state = state;
        threshold = state == kEgDecay ? op->sustain_target : 0;
        multiplier = state == kEgDecay     ? op->decay_mul
                     : state == kEgSustain ? op->sustain_mul
                                           : op->release_mul;
        if (state == kEgDecay || state == kEgSustain || state == kEgRelease) {
            motion = multiplier == kUnityMultiplier && eg_level > threshold ? kStill : kExponential;
        } else if (state == kEgOff) {
            motion = kStill;
            increment = 0;
        } else {
            motion = kLinear;
        }
        gain = Gain();
    }

    // The level reached 0: this sample still outputs (0, whatever the phase) and takes its phase step, here
    // ahead of the output, since from now on the step is 0.
    void SwitchOff() {
        phase += increment;
        Enter(kEgOff);
    }

    // Attack adds the exact sum: a full-level start with the largest step still caps instead of wrapping.
    void Attack() {
        const uint64_t sum = uint64_t{eg_level} + op->attack_step;
        eg_level = sum >= kFullLevel ? kFullLevel : static_cast<uint32_t>(sum);
    }

    // The linear states: start (then attack in the same step), attack, and start-and-release.
    void StepLinear() {
        if (eg_state == kEgStartRelease) {
            phase = 0;
            Attack();
            Enter(kEgRelease);
            return;
        }
        if (eg_state == kEgStart) {
            phase = 0;
            eg_state = kEgAttack;
        }
        Attack();
        if (eg_level == kFullLevel) Enter(kEgDecay);
    }

    // A level that moves takes its step and gives the sample's gain; a still one keeps both.
    [[gnu::always_inline]] void StepEnvelope() {
        if (motion == kStill) return;
        if (motion == kExponential) {
            eg_level = Decayed(eg_level, multiplier);
            if (eg_level <= threshold) [[unlikely]] {
                if (eg_level == 0)
                    SwitchOff();
                else
                    Enter(kEgSustain);
            }
        } else {
            StepLinear();
        }
        gain = Gain();
    }

    // One output sample, the phase shifted by `offset` waveform steps (half the modulation input). On the
    // sample an operator's level reaches 0 it still outputs (0) and advances its phase; after that it is off.
    // |wave x gain| >> 15 stays within +-32767 because gain <= 32768, so the output needs no clamp. `Still`:
    // the envelope is known to stand still, and is not looked at.
    template <bool Still = false>
    [[gnu::always_inline]] int32_t Output(int32_t offset) {
        if constexpr (!Still) StepEnvelope();
        const uint32_t index =
            ((phase >> kPhaseIndexShift) + static_cast<uint32_t>(offset)) & kPhaseIndexMask;
        const int32_t out = (wave[index] * static_cast<int32_t>(gain)) >> 15;
        phase += increment;
        return out;
    }
};

}  // namespace cantavo::fm_render
