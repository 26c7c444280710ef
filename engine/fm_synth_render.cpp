#include "engine/fm_synth_render.h"

#include <algorithm>

#include "engine/fm_tables.h"

namespace {

constexpr uint32_t kFullLevel = 0x80000000;  // eg_level at full output
constexpr int kEnvelopeShift = 30;           // the multipliers are Q30
constexpr int kPhaseIndexShift = 20;         // 12.20 phase to waveform index
constexpr uint32_t kPhaseIndexMask = fm_tables::kWaveLength - 1;

// Operator gains stay at or below unity (Q15), which keeps every operator output within +-32767.
constexpr bool GainsAtMostUnity() {
    bool ok = std::ranges::max(fm_tables::kTotalLevelGain) <= 32768;
    for (const auto& row : fm_tables::kKeyScaleGain) ok = ok && std::ranges::max(row) <= 32768;
    for (const auto& row : fm_tables::kTremolo) ok = ok && std::ranges::max(row) <= 32768;
    return ok;
}
static_assert(GainsAtMostUnity());

constexpr uint32_t Decayed(uint32_t level, uint32_t multiplier) {
    return static_cast<uint32_t>((uint64_t{level} * multiplier) >> kEnvelopeShift);
}

// The per-sample state of one operator, held in locals for one render call and written back after it.
// Decay, sustain and release share one path: the level is multiplied by `multiplier` and leaves the state
// when it falls to `threshold` (the sustain target in decay, 0 otherwise).
struct OperatorRun {
    const int16_t* wave;
    uint32_t phase;
    uint32_t increment;
    uint32_t amplitude;
    uint32_t eg_level;
    uint32_t eg_state;
    bool exponential;  // eg_state is decay, sustain or release
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

    void Store(FmOperator& target) const {
        target.phase = phase;
        target.eg_level = eg_level;
        target.eg_state = eg_state;
    }

    void Enter(uint32_t state) {
        eg_state = state;
        exponential = state == kEgDecay || state == kEgSustain || state == kEgRelease;
        threshold = state == kEgDecay ? op->sustain_target : 0;
        multiplier = state == kEgDecay ? op->decay_mul : state == kEgSustain ? op->sustain_mul : op->release_mul;
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

    void StepEnvelope() {
        if (exponential) {
            eg_level = Decayed(eg_level, multiplier);
            if (eg_level <= threshold) Enter(eg_level == 0 ? kEgOff : kEgSustain);
        } else {
            StepLinear();
        }
    }

    // One output sample for the modulation input x. An operator that is off neither sounds nor moves; on the
    // sample its level reaches 0 it still outputs (0) and advances its phase. |wave x g| >> 15 stays within
    // +-32767 because g <= 32768, so the output needs no clamp.
    int32_t Output(int32_t x) {
        if (eg_state == kEgOff) return 0;
        StepEnvelope();
        const uint32_t g = ((eg_level >> 16) * amplitude) >> 15;
        const uint32_t index = ((phase >> kPhaseIndexShift) + static_cast<uint32_t>(x >> 1)) & kPhaseIndexMask;
        const int32_t out = (wave[index] * static_cast<int32_t>(g)) >> 15;
        phase += increment;
        return out;
    }
};

template <int Algorithm>
constexpr int kOperators = Algorithm <= 1 ? 2 : 4;

// Adds `count` frames of one slot: operators in the order 1..4 per sample, the carrier sum times the Q15
// gains. The product is taken in 64 bits: three full carriers times a full gain passes 2^31.
template <int Algorithm, bool Feedback>
void RenderSlot(FmSlot& slot, int32_t* acc_left, int32_t* acc_right, uint32_t count) {
    constexpr int ops = kOperators<Algorithm>;
    OperatorRun r[ops];
    for (int k = 0; k < ops; ++k) r[k].Load(slot.op[k]);
    int32_t fb_last = slot.fb_last;
    int32_t fb_prev = slot.fb_prev;
    const uint32_t fb_shift = slot.feedback_shift;
    const int64_t gain_left = slot.gain_left;
    const int64_t gain_right = slot.gain_right;

    for (uint32_t i = 0; i < count; ++i) {
        const int32_t x = Feedback ? (fb_last + fb_prev) >> fb_shift : 0;
        const int32_t o1 = r[0].Output(x);
        fb_prev = fb_last;
        fb_last = o1;
        int64_t c;
        if constexpr (Algorithm == 0) {
            c = r[1].Output(o1);
        } else if constexpr (Algorithm == 1) {
            c = o1 + r[1].Output(0);
        } else if constexpr (Algorithm == 4) {
            const int32_t o2 = r[1].Output(o1);
            const int32_t o3 = r[2].Output(o2);
            c = r[3].Output(o3);
        } else if constexpr (Algorithm == 5) {
            const int32_t o2 = r[1].Output(o1);
            const int32_t o3 = r[2].Output(0);
            c = o2 + r[3].Output(o3);
        } else if constexpr (Algorithm == 6) {
            const int32_t o2 = r[1].Output(0);
            const int32_t o3 = r[2].Output(o2);
            c = o1 + r[3].Output(o3);
        } else {
            const int32_t o2 = r[1].Output(0);
            const int32_t o3 = r[2].Output(o2);
            c = o1 + o3 + r[3].Output(0);
        }
        acc_left[i] += static_cast<int32_t>((c * gain_left) >> 15);
        acc_right[i] += static_cast<int32_t>((c * gain_right) >> 15);
    }

    for (int k = 0; k < ops; ++k) r[k].Store(slot.op[k]);
    slot.fb_last = fb_last;
    slot.fb_prev = fb_prev;
}

template <int Algorithm>
FmRenderer Pick(bool feedback) {
    return feedback ? &RenderSlot<Algorithm, true> : &RenderSlot<Algorithm, false>;
}

}  // namespace

FmRenderer SelectFmRenderer(uint8_t algorithm, bool feedback) {
    switch (algorithm) {
        case 1:
            return Pick<1>(feedback);
        case 4:
            return Pick<4>(feedback);
        case 5:
            return Pick<5>(feedback);
        case 6:
            return Pick<6>(feedback);
        case 7:
            return Pick<7>(feedback);
        default:
            return Pick<0>(feedback);
    }
}
