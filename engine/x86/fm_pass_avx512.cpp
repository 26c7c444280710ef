// The pass renderer for processors with AVX-512: the sixteen voice slots are the sixteen 32-bit lanes of one
// vector, so one step takes an operator of every slot a sample further. Envelope state changes (a level
// reaching its threshold, a key start) are rare: the lanes that meet one take that sample's envelope step
// through the scalar operator code. The connections differ per slot and are applied as lane masks
// (kFmConnections).
#include <immintrin.h>

#include <array>
#include <cstddef>

#include "engine/fm_operator_run.h"
#include "engine/fm_synth_render.h"

namespace cantavo {
namespace {

using namespace fm_render;
using Vec = __m512i;
using Lanes = __mmask16;

constexpr int kLanes = 16;
static_assert(kVoiceSlotCount == kLanes);
constexpr Lanes kOddLanes = 0xAAAA;

// The waveforms back to back behind one leading entry: the 32-bit word at entry i holds waveform entry i in
// its upper half, so a 32-bit gather of any entry stays inside the table.
constexpr int kWaveEntries = fm_tables::kWaveforms * fm_tables::kWaveLength;
constexpr std::array<int16_t, kWaveEntries + 1> PaddedWaves() {
    std::array<int16_t, kWaveEntries + 1> table{};
    for (int w = 0; w < fm_tables::kWaveforms; ++w)
        for (int i = 0; i < fm_tables::kWaveLength; ++i)
            table[1 + w * fm_tables::kWaveLength + i] = fm_tables::kWaveform[w][i];
    return table;
}
alignas(64) constexpr std::array<int16_t, kWaveEntries + 1> kPaddedWaves = PaddedWaves();

uint32_t WaveOffset(const int16_t* wave) {
    for (int w = 0; w < fm_tables::kWaveforms; ++w)
        if (fm_tables::kWaveform[w].data() == wave) return static_cast<uint32_t>(w * fm_tables::kWaveLength);
    return 0;
}

// One operator of every lane. Phase, levels and rates live in the vectors; `run` holds each lane's
// envelope state for the scalar step, `exponential`, `linear`, `start` and `off` mirror it as lane masks.
struct Operators {
    Vec phase;           // 12.20
    Vec increment;       // 12.20
    Vec eg_level;        // 0..kFullLevel
    Vec amplitude;       // Q15
    Vec gain;            // Q15: Gain() of eg_level and amplitude
    Vec multiplier;      // Q30
    Vec multiplier_odd;  // the odd lanes' multipliers in the low halves of 64-bit lanes
    Vec threshold;
    Vec attack_step;
    Vec attack_room;  // kFullLevel - attack_step: below it an attack step does not cap
    Vec wave_offset;  // the lane's waveform in kPaddedWaves
    Lanes exponential;
    Lanes linear;
    Lanes start;  // a key start, whose first step the scalar code takes
    Lanes off;
    OperatorRun run[kLanes];
};

struct PassState {
    Operators op[4];
    Vec last;            // operator 1's last output
    Vec prev;            // and the one before
    Vec feedback_shift;  // with the halving of a modulation input
    Lanes feedback;
    Lanes modulated[4];
    Lanes carriers[4];
    Vec gain_left, gain_left_odd;  // Q15
    Vec gain_right, gain_right_odd;
    Lanes sounding;
    bool four;  // some lane has four operators
};

[[gnu::target("avx512f")]] inline Vec Splat(uint32_t value) {
    return _mm512_set1_epi32(static_cast<int>(value));
}

[[gnu::target("avx512f")]] inline Vec Load(const uint32_t (&lanes)[kLanes]) {
    return _mm512_loadu_si512(lanes);
}

[[gnu::target("avx512f")]] inline Vec Odd(Vec v) {
    return _mm512_srli_epi64(v, 32);
}

// ((eg_level >> 16) x amplitude) >> 15, as OperatorRun::Gain.
[[gnu::target("avx512f")]] inline Vec Gain(Vec eg_level, Vec amplitude) {
    return _mm512_srli_epi32(_mm512_mullo_epi32(_mm512_srli_epi32(eg_level, 16), amplitude), 15);
}

void MarkMotion(Operators& o, int lane, const OperatorRun& r) {
    const auto bit = static_cast<Lanes>(1u << lane);
    const auto set = [bit](Lanes& mask, bool on) { mask = on ? mask | bit : mask & ~bit; };
    set(o.exponential, r.motion == OperatorRun::kExponential);
    set(o.linear, r.motion == OperatorRun::kLinear);
    set(o.start, r.eg_state == kEgStart || r.eg_state == kEgStartRelease);
    set(o.off, r.eg_state == kEgOff);
}

// The lanes in `lanes` take this sample's envelope step the scalar way, from their levels `before` it.
[[gnu::target("avx512f"), gnu::noinline, gnu::cold]] void Settle(Operators& o, Vec before, Lanes lanes) {
    alignas(64) uint32_t from[kLanes], level[kLanes], phase[kLanes], increment[kLanes], multiplier[kLanes],
        threshold[kLanes];
    _mm512_store_si512(from, before);
    _mm512_store_si512(level, o.eg_level);
    _mm512_store_si512(phase, o.phase);
    _mm512_store_si512(increment, o.increment);
    _mm512_store_si512(multiplier, o.multiplier);
    _mm512_store_si512(threshold, o.threshold);
    for (int j = 0; j < kLanes; ++j) {
        if (!(lanes & (1u << j))) continue;
        OperatorRun& r = o.run[j];
        r.eg_level = from[j];
        r.phase = phase[j];
        r.increment = increment[j];
        r.StepEnvelope();
        level[j] = r.eg_level;
        phase[j] = r.phase;
        increment[j] = r.increment;
        multiplier[j] = r.multiplier;
        threshold[j] = r.threshold;
        MarkMotion(o, j, r);
    }
    o.eg_level = Load(level);
    o.phase = Load(phase);
    o.increment = Load(increment);
    o.multiplier = Load(multiplier);
    o.multiplier_odd = Odd(o.multiplier);
    o.threshold = Load(threshold);
}

// Every moving envelope's step, as OperatorRun::StepEnvelope: decay, sustain and release multiply (a 64-bit
// product per lane, even and odd lanes apart), attack adds up to full level.
[[gnu::target("avx512f")]] inline void StepEnvelopes(Operators& o) {
    if ((o.exponential | o.linear) == 0) return;
    const Vec before = o.eg_level;
    Vec level = before;
    Lanes events = o.start;
    if (o.exponential != 0) {
        const Vec even = _mm512_srli_epi64(_mm512_mul_epu32(before, o.multiplier), kEnvelopeShift);
        const Vec odd =
            _mm512_slli_epi64(_mm512_mul_epu32(Odd(before), o.multiplier_odd), 32 - kEnvelopeShift);
        level = _mm512_mask_blend_epi32(o.exponential, level, _mm512_mask_blend_epi32(kOddLanes, even, odd));
        events |= _mm512_mask_cmple_epu32_mask(o.exponential, level, o.threshold);
    }
    if (o.linear != 0) {
        const Vec attacked = _mm512_add_epi32(_mm512_min_epu32(before, o.attack_room), o.attack_step);
        level = _mm512_mask_blend_epi32(o.linear, level, attacked);
        events |= _mm512_mask_cmpeq_epi32_mask(o.linear, level, Splat(kFullLevel));
    }
    o.eg_level = level;
    if (events != 0) [[unlikely]]
        Settle(o, before, events);
    o.gain = Gain(o.eg_level, o.amplitude);
}

// One output sample of every lane, as OperatorRun::Output.
template <bool Still>
[[gnu::target("avx512f"), gnu::always_inline]] inline Vec Output(Operators& o, Vec offset) {
    if constexpr (!Still) StepEnvelopes(o);
    const Vec step = _mm512_add_epi32(_mm512_srli_epi32(o.phase, kPhaseIndexShift), offset);
    const Vec index = _mm512_add_epi32(_mm512_and_si512(step, Splat(kPhaseIndexMask)), o.wave_offset);
    const Vec word = _mm512_i32gather_epi32(index, kPaddedWaves.data(), 2);
    const Vec out = _mm512_srai_epi32(_mm512_mullo_epi32(_mm512_srai_epi32(word, 16), o.gain), 15);
    o.phase = _mm512_add_epi32(o.phase, o.increment);
    return out;
}

// The LFO's next step, as OperatorRun::Modulate.
[[gnu::target("avx512f")]] inline void Modulate(Operators& o, Vec increment_now, Vec amplitude) {
    o.amplitude = amplitude;
    o.increment = _mm512_mask_mov_epi32(o.increment, static_cast<Lanes>(~o.off), increment_now);
    o.gain = Gain(o.eg_level, amplitude);
}

// (c x gain) >> 15 per lane, the product in 64 bits.
[[gnu::target("avx512f")]] inline Vec Scaled(Vec c, Vec c_odd, Vec gain, Vec gain_odd) {
    const Vec even = _mm512_srli_epi64(_mm512_mul_epi32(c, gain), 15);
    const Vec odd = _mm512_slli_epi64(_mm512_mul_epi32(c_odd, gain_odd), 32 - 15);
    return _mm512_mask_blend_epi32(kOddLanes, even, odd);
}

// Adds the sums of the lanes of `left` and `right` to one interleaved frame.
[[gnu::target("avx512f")]] inline void AddFrame(Vec left, Vec right, int32_t* frame) {
    Vec t =
        _mm512_add_epi32(_mm512_shuffle_i64x2(left, right, 0x44), _mm512_shuffle_i64x2(left, right, 0xEE));
    t = _mm512_add_epi32(t, _mm512_shuffle_i64x2(t, t, 0xB1));
    t = _mm512_add_epi32(t, _mm512_shuffle_epi32(t, _MM_PERM_BADC));
    t = _mm512_add_epi32(t, _mm512_shuffle_epi32(t, _MM_PERM_CDAB));
    frame[0] += _mm_cvtsi128_si32(_mm512_castsi512_si128(t));
    frame[1] += _mm_cvtsi128_si32(_mm512_extracti32x4_epi32(t, 2));
}

template <bool Still, bool Four>
[[gnu::target("avx512f")]] void RenderFrames(PassState& p, int32_t* acc, uint32_t begin, uint32_t end) {
    for (uint32_t n = begin; n < end; ++n) {
        const Vec history = _mm512_add_epi32(p.last, p.prev);
        const Vec o1 = Output<Still>(p.op[0], _mm512_maskz_srav_epi32(p.feedback, history, p.feedback_shift));
        p.prev = p.last;
        p.last = o1;
        const Vec o2 = Output<Still>(p.op[1], _mm512_maskz_srai_epi32(p.modulated[1], o1, 1));
        Vec c = _mm512_maskz_mov_epi32(p.carriers[0], o1);
        c = _mm512_mask_add_epi32(c, p.carriers[1], c, o2);
        if constexpr (Four) {
            const Vec o3 = Output<Still>(p.op[2], _mm512_maskz_srai_epi32(p.modulated[2], o2, 1));
            const Vec o4 = Output<Still>(p.op[3], _mm512_maskz_srai_epi32(p.modulated[3], o3, 1));
            c = _mm512_mask_add_epi32(c, p.carriers[2], c, o3);
            c = _mm512_mask_add_epi32(c, p.carriers[3], c, o4);
        }
        const Vec c_odd = Odd(c);
        AddFrame(Scaled(c, c_odd, p.gain_left, p.gain_left_odd),
                 Scaled(c, c_odd, p.gain_right, p.gain_right_odd), acc + 2 * n);
    }
}

// Per-lane values of one field, gathered at pass start.
struct LaneValues {
    alignas(64) uint32_t v[kLanes] = {};
};

[[gnu::target("avx512f")]] void LoadOperators(Operators& o, FmSlot* const* slots, uint32_t count, int k) {
    LaneValues phase, increment, level, amplitude, gain, multiplier, threshold, step, room, wave;
    o.exponential = o.linear = o.start = 0;
    o.off = static_cast<Lanes>(~0u);
    for (uint32_t j = 0; j < count; ++j) {
        FmSlot& slot = *slots[j];
        if (k >= UsedOperators(slot)) continue;
        OperatorRun& r = o.run[j];
        r.Load(slot.op[k]);
        phase.v[j] = r.phase;
        increment.v[j] = r.increment;
        level.v[j] = r.eg_level;
        amplitude.v[j] = r.amplitude;
        gain.v[j] = r.gain;
        multiplier.v[j] = r.multiplier;
        threshold.v[j] = r.threshold;
        step.v[j] = slot.op[k].attack_step;
        room.v[j] = kFullLevel - slot.op[k].attack_step;
        wave.v[j] = WaveOffset(r.wave);
        MarkMotion(o, static_cast<int>(j), r);
    }
    o.phase = Load(phase.v);
    o.increment = Load(increment.v);
    o.eg_level = Load(level.v);
    o.amplitude = Load(amplitude.v);
    o.gain = Load(gain.v);
    o.multiplier = Load(multiplier.v);
    o.multiplier_odd = Odd(o.multiplier);
    o.threshold = Load(threshold.v);
    o.attack_step = Load(step.v);
    o.attack_room = Load(room.v);
    o.wave_offset = Load(wave.v);
}

[[gnu::target("avx512f")]] void LoadPass(PassState& p, FmSlot* const* slots, uint32_t count) {
    LaneValues last, prev, shift, left, right;
    p.feedback = 0;
    p.four = false;
    for (Lanes& m : p.modulated) m = 0;
    for (Lanes& m : p.carriers) m = 0;
    for (uint32_t j = 0; j < count; ++j) {
        const FmSlot& slot = *slots[j];
        const auto bit = static_cast<Lanes>(1u << j);
        last.v[j] = static_cast<uint32_t>(slot.fb_last);
        prev.v[j] = static_cast<uint32_t>(slot.fb_prev);
        shift.v[j] = slot.feedback_shift + 1;
        if (slot.feedback_shift != 0) p.feedback |= bit;
        left.v[j] = static_cast<uint32_t>(slot.gain_left);
        right.v[j] = static_cast<uint32_t>(slot.gain_right);
        const FmConnection c = kFmConnections[slot.algorithm & 7];
        for (int k = 0; k < 4; ++k) {
            if (c.modulated & (1u << k)) p.modulated[k] |= bit;
            if (c.carriers & (1u << k)) p.carriers[k] |= bit;
        }
        p.four = p.four || UsedOperators(slot) == 4;
    }
    p.sounding = static_cast<Lanes>((1u << count) - 1);
    p.last = Load(last.v);
    p.prev = Load(prev.v);
    p.feedback_shift = Load(shift.v);
    p.gain_left = Load(left.v);
    p.gain_left_odd = Odd(p.gain_left);
    p.gain_right = Load(right.v);
    p.gain_right_odd = Odd(p.gain_right);
    for (int k = 0; k < 4; ++k) LoadOperators(p.op[k], slots, count, k);
}

[[gnu::target("avx512f")]] void StorePass(PassState& p, FmSlot* const* slots, uint32_t count) {
    alignas(64) uint32_t last[kLanes], prev[kLanes], phase[kLanes], level[kLanes];
    _mm512_store_si512(last, p.last);
    _mm512_store_si512(prev, p.prev);
    for (int k = 0; k < 4; ++k) {
        _mm512_store_si512(phase, p.op[k].phase);
        _mm512_store_si512(level, p.op[k].eg_level);
        for (uint32_t j = 0; j < count; ++j) {
            if (k >= UsedOperators(*slots[j])) continue;
            OperatorRun& r = p.op[k].run[j];
            r.phase = phase[j];
            r.eg_level = level[j];
            r.Store(slots[j]->op[k]);
        }
    }
    for (uint32_t j = 0; j < count; ++j) {
        slots[j]->fb_last = static_cast<int32_t>(last[j]);
        slots[j]->fb_prev = static_cast<int32_t>(prev[j]);
    }
}

// Every lane's vibrato and tremolo of segment `s`: lane j reads lfo[j].
[[gnu::target("avx512f")]] void ModulateSegment(PassState& p, const FmSlotLfo* lfo, uint32_t s) {
    constexpr int kStride = sizeof(FmSlotLfo) / sizeof(uint32_t);
    static_assert(sizeof(FmSlotLfo) % sizeof(uint32_t) == 0);
    const Vec index = _mm512_mullo_epi32(
        _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15), _mm512_set1_epi32(kStride));
    const Vec zero = _mm512_setzero_si512();
    for (int k = 0; k < 4; ++k) {
        const Vec increment =
            _mm512_mask_i32gather_epi32(zero, p.sounding, index, &lfo[0].increment[k][s], 4);
        const Vec amplitude =
            _mm512_mask_i32gather_epi32(zero, p.sounding, index, &lfo[0].amplitude[k][s], 4);
        Modulate(p.op[k], increment, amplitude);
    }
}

template <bool Four>
[[gnu::target("avx512f")]] void RenderSegments(PassState& p, const FmSlotLfo* lfo, int32_t* acc,
                                               const FmSegments& segments) {
    uint32_t begin = 0;
    for (uint32_t s = 0; s < segments.count; ++s) {
        ModulateSegment(p, lfo, s);
        const uint32_t end = begin + segments.frames[s];
        Lanes moving = 0;
        for (const Operators& o : p.op) moving |= o.exponential | o.linear;
        if (moving == 0)
            RenderFrames<true, Four>(p, acc, begin, end);
        else
            RenderFrames<false, Four>(p, acc, begin, end);
        begin = end;
    }
}

[[gnu::target("avx512f")]] void RenderPass(FmSlot* const* slots, const FmSlotLfo* lfo, uint32_t count,
                                           int32_t* acc, const FmSegments& segments) {
    if (count == 0 || segments.count == 0) return;
    PassState p;
    LoadPass(p, slots, count);
    if (p.four)
        RenderSegments<true>(p, lfo, acc, segments);
    else
        RenderSegments<false>(p, lfo, acc, segments);
    StorePass(p, slots, count);
}

}  // namespace

FmPassRenderer SelectVectorFmRenderer() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") ? &RenderPass : nullptr;
}

}  // namespace cantavo
