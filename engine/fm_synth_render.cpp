#include "engine/fm_synth_render.h"

#include <algorithm>

#include "engine/fm_operator_run.h"

namespace cantavo {
namespace {

using namespace fm_render;

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
    constexpr FmConnection kWiring = kFmConnections[Algorithm];
    OperatorRun r[ops];
    for (int k = 1; k < ops; ++k) r[k].Load(slot.op[k]);
    const int64_t gain_left = slot.gain_left;
    const int64_t gain_right = slot.gain_right;

    const auto run = [&]<bool Still>(uint32_t begin, uint32_t end) {
        for (uint32_t i = begin; i < end; ++i) {
            int32_t o[4] = {op1[i]};
            int64_t c = kWiring.carriers & 1 ? o[0] : 0;
#pragma GCC unroll 4
            for (int k = 1; k < ops; ++k) {
                o[k] = r[k].template Output<Still>((kWiring.modulated >> k) & 1 ? Offset(o[k - 1]) : 0);
                if ((kWiring.carriers >> k) & 1) c += o[k];
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
