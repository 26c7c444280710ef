#include "engine/fm_synth_render.h"

#include <algorithm>

#include "engine/fm_tables.h"

namespace {

constexpr uint32_t kFullLevel = 0x80000000;  // eg_level at full output
constexpr int kEnvelopeShift = 30;           // the multipliers are Q30
constexpr int kPhaseIndexShift = 20;         // 12.20 phase to waveform index
constexpr uint32_t kPhaseIndexMask = fm_tables::kWaveLength - 1;
constexpr int32_t kOperatorLimit = 32767;

constexpr uint32_t Decayed(uint32_t level, uint32_t multiplier) {
    return static_cast<uint32_t>((uint64_t{level} * multiplier) >> kEnvelopeShift);
}

// The per-sample state of one operator, held in locals for one render call and written back after it.
struct OperatorRun {
    const int16_t* wave;
    uint32_t phase;
    uint32_t increment;
    uint32_t amplitude;
    uint32_t eg_level;
    uint32_t eg_state;
    uint32_t attack_step;
    uint32_t decay_mul;
    uint32_t sustain_mul;
    uint32_t release_mul;
    uint32_t sustain_target;

    void Load(const FmOperator& op) {
        wave = op.wave;
        phase = op.phase;
        increment = op.increment_now;
        amplitude = op.amplitude;
        eg_level = op.eg_level;
        eg_state = op.eg_state;
        attack_step = op.attack_step;
        decay_mul = op.decay_mul;
        sustain_mul = op.sustain_mul;
        release_mul = op.release_mul;
        sustain_target = op.sustain_target;
    }

    void Store(FmOperator& op) const {
        op.phase = phase;
        op.eg_level = eg_level;
        op.eg_state = eg_state;
    }

    // Attack adds the exact sum: a full-level start with the largest step still caps instead of wrapping.
    void Attack() {
        const uint64_t sum = uint64_t{eg_level} + attack_step;
        eg_level = sum >= kFullLevel ? kFullLevel : static_cast<uint32_t>(sum);
    }

    void StepEnvelope() {
        switch (eg_state) {
            case kEgStart:
                phase = 0;
                eg_state = kEgAttack;
                [[fallthrough]];
            case kEgAttack:
                Attack();
                if (eg_level == kFullLevel) eg_state = kEgDecay;
                break;
            case kEgDecay:
                eg_level = Decayed(eg_level, decay_mul);
                if (eg_level == 0)
                    eg_state = kEgOff;
                else if (eg_level <= sustain_target)
                    eg_state = kEgSustain;
                break;
            case kEgSustain:
                eg_level = Decayed(eg_level, sustain_mul);
                if (eg_level == 0) eg_state = kEgOff;
                break;
            case kEgRelease:
                eg_level = Decayed(eg_level, release_mul);
                if (eg_level == 0) eg_state = kEgOff;
                break;
            case kEgStartRelease:
                phase = 0;
                Attack();
                eg_state = kEgRelease;
                break;
            default:
                break;
        }
    }

    // One output sample for the modulation input x. An operator that is off neither sounds nor moves; on the
    // sample its level reaches 0 it still outputs (0) and advances its phase.
    int32_t Output(int32_t x) {
        if (eg_state == kEgOff) return 0;
        StepEnvelope();
        const uint32_t g = ((eg_level >> 16) * amplitude) >> 15;
        const uint32_t index = ((phase >> kPhaseIndexShift) + static_cast<uint32_t>(x >> 1)) & kPhaseIndexMask;
        const int32_t out = (wave[index] * static_cast<int32_t>(g)) >> 15;
        phase += increment;
        return std::clamp(out, -kOperatorLimit, kOperatorLimit);
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
