#include "engine/fm_synth_render.h"

#include <algorithm>

#include "engine/fm_tables.h"

namespace cantavo {
namespace {

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

// A modulation input moves the phase by half its value in waveform steps (arithmetic shift).
constexpr int32_t Offset(int32_t modulation) {
    return modulation >> 1;
}

template <int Algorithm>
constexpr int kOperators = Algorithm <= 1 ? 2 : 4;

// Runs `run(begin, end)` over the segments of a pass, each after `modulate(segment)` has taken its LFO step.
// Where every envelope of r[first..N) stands still, `run` needs no look at them (they cannot change within a
// segment): it is run as run<true>.
template <int N, typename Modulate, typename Run>
void RunSegments(const FmSegments& segments, const OperatorRun (&r)[N], int first, Modulate modulate,
                 Run run) {
    uint32_t begin = 0;
    for (uint32_t s = 0; s < segments.count; ++s) {
        modulate(s);
        const uint32_t end = begin + segments.frames[s];
        const bool still = std::all_of(
            r + first, r + N, [](const OperatorRun& op) { return op.motion == OperatorRun::kStill; });
        if (still)
            run.template operator()<true>(begin, end);
        else
            run.template operator()<false>(begin, end);
        begin = end;
    }
}

// Operator 1 of `Lanes` slots with feedback, sample by sample side by side: each feedback loop waits for its
// own previous output, so running several at once keeps the processor busy.
template <int Lanes>
void FeedbackOperators(FmSlot* const* slots, const FmSlotLfo* const* lfo, int32_t* const* out,
                       const FmSegments& segments) {
    OperatorRun r[Lanes];
    int32_t last[Lanes];
    int32_t prev[Lanes];
    uint32_t offset_shift[Lanes];  // the feedback shift and the halving of a modulation input in one
    for (int j = 0; j < Lanes; ++j) {
        r[j].Load(slots[j]->op[0]);
        last[j] = slots[j]->fb_last;
        prev[j] = slots[j]->fb_prev;
        offset_shift[j] = slots[j]->feedback_shift + 1;
    }
    const auto run = [&]<bool Still>(uint32_t begin, uint32_t end) {
        for (uint32_t n = begin; n < end; ++n) {
#pragma GCC unroll 4
            for (int j = 0; j < Lanes; ++j) {
                const int32_t o = r[j].template Output<Still>((last[j] + prev[j]) >> offset_shift[j]);
                prev[j] = last[j];
                last[j] = o;
                out[j][n] = o;
            }
        }
    };
    const auto modulate = [&](uint32_t s) {
        for (int j = 0; j < Lanes; ++j) r[j].Modulate(lfo[j]->increment[0][s], lfo[j]->amplitude[0][s]);
    };
    RunSegments(segments, r, 0, modulate, run);
    for (int j = 0; j < Lanes; ++j) {
        r[j].Store(slots[j]->op[0]);
        slots[j]->fb_last = last[j];
        slots[j]->fb_prev = prev[j];
    }
}

// Operator 1 without feedback; its last two outputs still become the feedback history.
void PlainOperator(FmSlot& slot, const FmSlotLfo& lfo, int32_t* out, const FmSegments& segments) {
    OperatorRun r[1];
    r[0].Load(slot.op[0]);
    uint32_t frames = 0;
    const auto run = [&]<bool Still>(uint32_t begin, uint32_t end) {
        for (uint32_t n = begin; n < end; ++n) out[n] = r[0].template Output<Still>(0);
        frames = end;
    };
    RunSegments(
        segments, r, 0, [&](uint32_t s) { r[0].Modulate(lfo.increment[0][s], lfo.amplitude[0][s]); }, run);
    r[0].Store(slot.op[0]);
    slot.fb_prev = frames >= 2 ? out[frames - 2] : slot.fb_last;
    slot.fb_last = out[frames - 1];
}

// Adds the frames of one slot from its operator-1 output: operators 2..4 per sample as connected, the
// carrier sum times the Q15 gains. The product is taken in 64 bits: three full carriers times a full gain
// passes 2^31.
template <int Algorithm>
void RenderConnection(FmSlot& slot, const int32_t* op1, int32_t* acc, const FmSegments& segments,
                      const FmSlotLfo& lfo) {
    constexpr int ops = kOperators<Algorithm>;
    OperatorRun r[ops];
    for (int k = 1; k < ops; ++k) r[k].Load(slot.op[k]);
    const int64_t gain_left = slot.gain_left;
    const int64_t gain_right = slot.gain_right;

    const auto run = [&]<bool Still>(uint32_t begin, uint32_t end) {
        for (uint32_t i = begin; i < end; ++i) {
            const int32_t o1 = op1[i];
            int64_t c;
            if constexpr (Algorithm == 0) {
                c = r[1].template Output<Still>(Offset(o1));
            } else if constexpr (Algorithm == 1) {
                c = o1 + r[1].template Output<Still>(0);
            } else if constexpr (Algorithm == 4) {
                const int32_t o2 = r[1].template Output<Still>(Offset(o1));
                const int32_t o3 = r[2].template Output<Still>(Offset(o2));
                c = r[3].template Output<Still>(Offset(o3));
            } else if constexpr (Algorithm == 5) {
                const int32_t o2 = r[1].template Output<Still>(Offset(o1));
                const int32_t o3 = r[2].template Output<Still>(0);
                c = o2 + r[3].template Output<Still>(Offset(o3));
            } else if constexpr (Algorithm == 6) {
                const int32_t o2 = r[1].template Output<Still>(0);
                const int32_t o3 = r[2].template Output<Still>(Offset(o2));
                c = o1 + r[3].template Output<Still>(Offset(o3));
            } else {
                const int32_t o2 = r[1].template Output<Still>(0);
                const int32_t o3 = r[2].template Output<Still>(Offset(o2));
                c = o1 + o3 + r[3].template Output<Still>(0);
            }
            acc[2 * i] += static_cast<int32_t>((c * gain_left) >> 15);
            acc[2 * i + 1] += static_cast<int32_t>((c * gain_right) >> 15);
        }
    };
    const auto modulate = [&](uint32_t s) {
        for (int k = 1; k < ops; ++k) r[k].Modulate(lfo.increment[k][s], lfo.amplitude[k][s]);
    };
    RunSegments(segments, r, 1, modulate, run);
    for (int k = 1; k < ops; ++k) r[k].Store(slot.op[k]);
}

}  // namespace

void RenderFirstOperators(FmSlot* const* slots, const FmSlotLfo* lfo, uint32_t count, int32_t* const* out,
                          const FmSegments& segments) {
    constexpr uint32_t kLanes = 4;
    if (segments.count == 0) return;
    FmSlot* feedback[kVoiceSlotCount];
    const FmSlotLfo* feedback_lfo[kVoiceSlotCount];
    int32_t* feedback_out[kVoiceSlotCount];
    uint32_t with_feedback = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (slots[i]->feedback_shift != 0) {
            feedback[with_feedback] = slots[i];
            feedback_lfo[with_feedback] = &lfo[i];
            feedback_out[with_feedback++] = out[i];
        } else {
            PlainOperator(*slots[i], lfo[i], out[i], segments);
        }
    }
    for (uint32_t first = 0; first < with_feedback; first += kLanes) {
        FmSlot* const* group = feedback + first;
        const FmSlotLfo* const* group_lfo = feedback_lfo + first;
        int32_t* const* group_out = feedback_out + first;
        switch (std::min(kLanes, with_feedback - first)) {
            case 4:
                FeedbackOperators<4>(group, group_lfo, group_out, segments);
                break;
            case 3:
                FeedbackOperators<3>(group, group_lfo, group_out, segments);
                break;
            case 2:
                FeedbackOperators<2>(group, group_lfo, group_out, segments);
                break;
            default:
                FeedbackOperators<1>(group, group_lfo, group_out, segments);
                break;
        }
    }
}

FmRenderer SelectFmRenderer(uint8_t algorithm) {
    switch (algorithm) {
        case 1:
            return &RenderConnection<1>;
        case 4:
            return &RenderConnection<4>;
        case 5:
            return &RenderConnection<5>;
        case 6:
            return &RenderConnection<6>;
        case 7:
            return &RenderConnection<7>;
        default:
            return &RenderConnection<0>;
    }
}

}  // namespace cantavo
