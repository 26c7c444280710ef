#include "engine/fm_synth.h"

#include <algorithm>

#include "engine/attenuation_gain.h"
#include "engine/fm_synth_render.h"
#include "engine/fm_tables.h"

namespace cantavo {
namespace {

using namespace fm_tables;

constexpr uint32_t kPhaseStepPerFnum = 9232;  // 12.20 phase step of F-number 1 at block 0, 22050 Hz
constexpr uint16_t kFnumMask = 0x3FF;         // F-numbers have 10 bits
constexpr int kMaxBlock = 7;
constexpr int32_t kOutputLimit = 32767;
constexpr uint32_t kUnityGain = 32768;  // Q15
constexpr int kLfoIndexShift = 20;
constexpr int kVibratoShift = 20;  // vibrato ratios are Q20
constexpr int kTremoloShift = 15;  // tremolo gains are Q15
// Fewer sounding slots than this render faster one by one than as the lanes of one vector: the vector
// renderer takes about the same time for any number of lanes, which 8 slots of the portable renderers
// take too (measured on a processor with slow vector gathers).
constexpr uint32_t kVectorPaysFromSlots = 9;

void CopyOperator(FmOperator& op, const OperatorParams& p, uint8_t mod_level) {
    op.multiple = kMultiple[p.multiple & 15];
    op.vibrato = p.vibrato;
    op.sustained = p.sustained;
    op.hold_release = p.hold_release;
    op.rate_scaling = p.rate_scaling;
    op.release_rate = p.hold_release ? 4 : p.release_rate;
    op.sustain_rate = p.sustained ? 0 : p.release_rate;
    op.decay_rate = p.decay_rate;
    op.attack_rate = p.attack_rate;
    op.sustain_level = p.sustain_level & 15;
    op.total_level = p.total_level & 63;
    op.ksl_table = kKeyScaleTable[p.key_scale_level & 3];
    op.spare_bits = p.spare_bits;
    op.tremolo_depth = p.tremolo_depth & 3;
    op.tremolo = p.tremolo;
    op.waveform = p.waveform;
    op.vibrato_on = mod_level != 0 ? p.vibrato : 0;
}

// Rate index of rate r: r x 4 plus the key code (its top two bits without rate scaling), at most 63.
uint32_t RateIndex(uint32_t rate, uint32_t key_code) {
    return std::min<uint32_t>(63, rate * 4 + key_code);
}

void SetEnvelopeRates(FmOperator& op, uint32_t key_code) {
    const uint32_t kc = op.rate_scaling ? key_code : key_code >> 2;
    op.attack_step = kAttackStep[RateIndex(op.attack_rate, kc)];
    op.decay_mul = kDecayMul[RateIndex(op.decay_rate, kc)];
    op.sustain_mul = op.sustain_rate != 0 ? kDecayMul[RateIndex(op.sustain_rate, kc)] : kDecayMul[0];
    op.release_mul = kDecayMul[RateIndex(op.release_rate, kc)];
}

void ApplyVoice(FmSlot& slot, int ops) {
    slot.feedback_shift = kFeedbackShift[slot.feedback];
    for (int k = 0; k < ops; ++k) {
        FmOperator& op = slot.op[k];
        if (op.waveform > 7) op.waveform = 0;
        op.wave = kWaveform[op.waveform].data();
        op.sustain_target = kSustainTarget[op.sustain_level];
        op.tl_gain = kTotalLevelGain[op.total_level];
    }
}

void ApplyKey(FmSlot& slot, int ops) {
    uint32_t action = slot.key_on;
    // A note that started and ended since the last render still sounds for a moment.
    if (slot.key_on == 0 && (slot.pending & kSlotKeyOn) && (slot.pending & kSlotKeyOff)) action = 2;
    if (action != 0) {
        slot.fb_last = 0;
        slot.fb_prev = 0;
    }
    for (int k = 0; k < ops; ++k) {
        FmOperator& op = slot.op[k];
        if (action == 0) {
            if (op.eg_state != kEgOff) op.eg_state = kEgRelease;
        } else {
            op.eg_state = action == 1 ? kEgStart : kEgStartRelease;
        }
    }
}

// Applies the octave offset to the block (stored back) and derives key scaling, increments and rates.
void ApplyPitch(FmSlot& slot, int ops) {
    slot.block = static_cast<uint8_t>(std::clamp(slot.block + slot.block_offset, 0, kMaxBlock));
    const uint32_t ksl_index = (((slot.fnum >> 6) << 3) | slot.block) & 0xFF;
    slot.key_code = static_cast<uint8_t>((slot.block << 1) | (slot.fnum >> 9));
    slot.base_increment = (static_cast<uint32_t>(slot.fnum) << slot.block) * kPhaseStepPerFnum;
    for (int k = 0; k < ops; ++k) {
        FmOperator& op = slot.op[k];
        if (op.ksl_table == 0) {
            op.ksl_gain = kUnityGain;
            op.level = op.tl_gain;
        } else {
            op.ksl_gain = kKeyScaleGain[op.ksl_table][ksl_index];
            op.level = (op.tl_gain * op.ksl_gain) >> 15;
        }
        op.increment = op.multiple == 0 ? slot.base_increment >> 1 : slot.base_increment * op.multiple;
        SetEnvelopeRates(op, slot.key_code);
    }
}

// The vibrato depth follows the modulation level rather than accumulating over updates.
void ApplyModulation(FmSlot& slot, int ops) {
    const uint8_t m = slot.mod_level;
    for (int k = 0; k < ops; ++k) {
        FmOperator& op = slot.op[k];
        if (m == 0) {
            op.vibrato_on = 0;
        } else {
            op.vibrato_on = op.vibrato;
            op.vibrato_depth = static_cast<uint8_t>(std::min(3, m - 1));
        }
    }
}

// Vibrato and tremolo for the whole call, from the LFO position before it advances by `frames`.
void StepLfo(FmSlot& slot, int ops, uint32_t frames) {
    const uint32_t i = slot.lfo_phase >> kLfoIndexShift;
    slot.lfo_phase += kLfoStep[slot.lfo_rate] * frames;
    for (int k = 0; k < ops; ++k) {
        FmOperator& op = slot.op[k];
        op.increment_now =
            op.vibrato_on ? static_cast<uint32_t>((uint64_t{kVibrato[op.vibrato_depth][i]} * op.increment) >>
                                                  kVibratoShift)
                          : op.increment;
        op.amplitude =
            op.tremolo
                ? static_cast<uint32_t>((uint64_t{kTremolo[op.tremolo_depth][i]} * op.level) >> kTremoloShift)
                : op.level;
    }
}

void ApplyPending(FmSlot& slot) {
    const int ops = UsedOperators(slot);
    if (slot.pending & kSlotVoice) ApplyVoice(slot, ops);
    if (slot.pending & (kSlotKeyOn | kSlotKeyOff)) ApplyKey(slot, ops);
    if (slot.pending & (kSlotVoice | kSlotPitch)) ApplyPitch(slot, ops);
    if (slot.pending & kSlotMod) ApplyModulation(slot, ops);
    slot.pending = 0;
}

// Frames per pass: whole chunks when a chunk is shorter than a pass, so each pass divides into at most
// kFmMaxSegments segments (a longer chunk divides a pass in at most two).
uint32_t PassFrames(uint32_t chunk_frames) {
    if (chunk_frames >= kFmBlockFrames) return kFmBlockFrames;
    return chunk_frames * std::min(kFmMaxSegments, kFmBlockFrames / chunk_frames);
}

// Divides the next `frames` frames at the chunk boundaries and takes the LFO steps of the chunks that begin
// there, recording each sounding slot's vibrato and tremolo per segment. `chunk_left` carries the frames
// of the current chunk still to come from one pass to the next.
void PlanSegments(FmSlot* const* sounding, uint32_t sounding_count, uint32_t frames, uint32_t chunk_frames,
                  uint32_t frames_left, uint32_t& chunk_left, FmSegments& segments, FmSlotLfo* lfo) {
    segments.count = 0;
    for (uint32_t done = 0; done < frames; ++segments.count) {
        const uint32_t s = segments.count;
        if (chunk_left == 0) {
            chunk_left = std::min(chunk_frames, frames_left - done);
            for (uint32_t i = 0; i < sounding_count; ++i)
                StepLfo(*sounding[i], UsedOperators(*sounding[i]), chunk_left);
        }
        segments.frames[s] = std::min(chunk_left, frames - done);
        chunk_left -= segments.frames[s];
        done += segments.frames[s];
        for (uint32_t i = 0; i < sounding_count; ++i) {
            for (int k = 0; k < 4; ++k) {
                lfo[i].increment[k][s] = sounding[i]->op[k].increment_now;
                lfo[i].amplitude[k][s] = sounding[i]->op[k].amplitude;
            }
        }
    }
}

}  // namespace

CFmSynth::CFmSynth() : m_vector(SelectVectorFmRenderer()), m_vector_min_slots(kVectorPaysFromSlots) {
    for (FmSlot& slot : m_slots) {
        slot.render = SelectFmRenderer(0);
        for (FmOperator& op : slot.op) op.wave = kWaveform[0].data();
    }
}

bool CFmSynth::SetRenderPath(FmRenderPath path) {
    m_vector = path == FmRenderPath::kPortable ? nullptr : SelectVectorFmRenderer();
    m_vector_min_slots = path == FmRenderPath::kFastest ? kVectorPaysFromSlots : 1;
    return m_vector != nullptr || path != FmRenderPath::kVector;
}

void CFmSynth::SetVoice(uint32_t slot, const VoiceRecord* voice) {
    if (slot >= kVoiceSlotCount || voice == nullptr) return;
    FmSlot& s = m_slots[slot];
    s.block_offset = kOctaveOffset[voice->octave_code & 3];
    s.lfo_rate = voice->lfo_rate & 3;
    s.feedback = voice->feedback & 7;
    s.algorithm = voice->algorithm;
    const uint8_t count = OperatorCountOf(voice->algorithm);
    s.operator_count = count;
    s.render = SelectFmRenderer(count != 0 ? voice->algorithm : 0);
    const int ops = count == 4 ? 4 : 2;
    for (int k = 0; k < ops; ++k) CopyOperator(s.op[k], voice->op[k], s.mod_level);
    s.pending |= kSlotVoice;
}

void CFmSynth::SetBlockFnum(uint32_t slot, uint8_t block, uint16_t fnum) {
    if (slot >= kVoiceSlotCount) return;
    m_slots[slot].block = block;
    m_slots[slot].fnum = fnum & kFnumMask;
    m_slots[slot].pending |= kSlotPitch;
}

void CFmSynth::SetBlockFnumHigh(uint32_t slot, uint8_t value) {
    if (slot >= kVoiceSlotCount) return;
    FmSlot& s = m_slots[slot];
    s.block = (value >> 2) & 7;
    s.fnum = static_cast<uint16_t>(((value & 3) << 8) | (s.fnum & 0xFF));
    s.pending |= kSlotPitch;
}

void CFmSynth::SetFnumLow(uint32_t slot, uint8_t value) {
    if (slot >= kVoiceSlotCount) return;
    FmSlot& s = m_slots[slot];
    s.fnum = static_cast<uint16_t>((s.fnum & 0xF00) | value);
    s.pending |= kSlotPitch;
}

void CFmSynth::SetLevels(uint32_t slot, uint8_t left, uint8_t right) {
    if (slot >= kVoiceSlotCount) return;
    m_slots[slot].gain_left = AttenuationGain(left);
    m_slots[slot].gain_right = AttenuationGain(right);
}

void CFmSynth::KeyOn(uint32_t slot) {
    if (slot >= kVoiceSlotCount) return;
    m_slots[slot].key_on = 1;
    m_slots[slot].pending |= kSlotKeyOn;
}

void CFmSynth::KeyOff(uint32_t slot) {
    if (slot >= kVoiceSlotCount) return;
    m_slots[slot].key_on = 0;
    m_slots[slot].pending |= kSlotKeyOff;
}

void CFmSynth::SetModulation(uint32_t slot, uint8_t level) {
    if (slot >= kVoiceSlotCount) return;
    m_slots[slot].mod_level = level;
    m_slots[slot].pending |= kSlotMod;
}

void CFmSynth::Render(int16_t* frames, uint32_t count, uint32_t chunk_frames) {
    if (count == 0 || frames == nullptr) return;
    if (chunk_frames == 0 || chunk_frames > count) chunk_frames = count;
    FmSlot* sounding[kVoiceSlotCount];
    uint32_t sounding_count = 0;
    for (FmSlot& slot : m_slots) {
        ApplyPending(slot);
        if (slot.operator_count != 0) sounding[sounding_count++] = &slot;
    }

    const uint32_t pass_frames = PassFrames(chunk_frames);
    uint32_t chunk_left = 0;
    FmSegments segments;
    FmSlotLfo lfo[kVoiceSlotCount];
    int32_t op1[kVoiceSlotCount][kFmBlockFrames];
    int32_t* op1_rows[kVoiceSlotCount];
    for (uint32_t i = 0; i < kVoiceSlotCount; ++i) op1_rows[i] = op1[i];
    int32_t acc[2 * kFmBlockFrames];  // interleaved left, right
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(pass_frames, count - done);
        PlanSegments(sounding, sounding_count, n, chunk_frames, count - done, chunk_left, segments, lfo);
        std::fill_n(acc, 2 * n, 0);
        if (m_vector != nullptr && sounding_count >= m_vector_min_slots) {
            m_vector(sounding, lfo, sounding_count, acc, segments);
        } else {
            RenderFirstOperators(sounding, lfo, sounding_count, op1_rows, segments);
            for (uint32_t i = 0; i < sounding_count; ++i)
                sounding[i]->render(*sounding[i], op1[i], acc, segments, lfo[i]);
        }
        int16_t* out = frames + 2 * done;
        for (uint32_t i = 0; i < 2 * n; ++i)
            out[i] = static_cast<int16_t>(std::clamp(acc[i], -kOutputLimit, kOutputLimit));
        done += n;
    }
}

}  // namespace cantavo
