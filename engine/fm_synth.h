#pragma once
// The FM synthesizer: 16 voice slots of 2- or 4-operator voices with envelopes, LFO (vibrato, tremolo),
// operator-1 feedback and stereo gains, rendered at 22050 frames per second into 16-bit stereo.
//
// Slot operations only record values and pending bits; the work happens at the next Render, so key changes
// never land in the middle of a buffer.

#include <array>
#include <cstdint>

#include "engine/voice_record.h"

namespace cantavo {

inline constexpr uint32_t kVoiceSlotCount = 16;  // FM voice slots, 0..15

struct FmOperator {
    uint8_t multiple;  // after mapping; 0 means 1/2
    uint8_t vibrato;
    uint8_t sustained;
    uint8_t hold_release;
    uint8_t rate_scaling;
    uint8_t release_rate;  // 4 when hold_release is set
    uint8_t decay_rate;
    uint8_t sustain_rate;  // 0 (hold) when sustained is set, else the voice's release rate
    uint8_t attack_rate;
    uint8_t sustain_level;
    uint8_t total_level;
    uint8_t ksl_table;  // key-scale level table 0..3 after mapping
    uint8_t spare_bits;
    uint8_t tremolo_depth;
    uint8_t tremolo;
    uint8_t waveform;
    uint32_t eg_state;        // FmEnvelopeState
    const int16_t* wave;      // 4096-entry waveform
    uint32_t increment;       // 12.20 phase step without vibrato
    uint32_t phase;           // 12.20, wraps
    uint32_t tl_gain;         // Q15
    uint32_t ksl_gain;        // Q15
    uint32_t level;           // Q15
    uint32_t attack_step;     // added to eg_level per sample
    uint32_t decay_mul;       // Q30 per sample
    uint32_t sustain_mul;     // Q30 per sample
    uint32_t release_mul;     // Q30 per sample
    uint32_t sustain_target;  // eg_level where decay turns into sustain
    uint32_t eg_level;        // 0..0x80000000 (0x80000000 = full level)
    uint8_t vibrato_on;
    uint8_t vibrato_depth;   // 0..3
    uint32_t amplitude;      // Q15, level after tremolo
    uint32_t increment_now;  // 12.20, increment after vibrato
};

enum FmEnvelopeState : uint32_t {
    kEgOff = 0,
    kEgRelease = 1,
    kEgStart = 2,
    kEgAttack = 3,
    kEgDecay = 4,
    kEgSustain = 5,
    kEgStartRelease = 6,  // key-on and key-off in the same render interval
};

struct FmSlot;
struct FmSegments;
struct FmSlotLfo;
// Adds the frames of one block of one slot into an accumulator of interleaved (left, right) pairs, given
// operator 1's output for those frames and the slot's vibrato and tremolo in each segment of the block.
using FmRenderer = void (*)(FmSlot& slot, const int32_t* op1, int32_t* acc, const FmSegments& segments,
                            const FmSlotLfo& lfo);
// Renders all sounding slots of one block at once (see fm_synth_render.h).
using FmPassRenderer = void (*)(FmSlot* const* slots, const FmSlotLfo* lfo, uint32_t count, int32_t* acc,
                                const FmSegments& segments);

// Which code renders: the portable renderers, or the processor's vector renderer where one exists (for
// every block, or only for blocks with enough sounding slots to pay). Every choice gives the same output.
enum class FmRenderPath : uint8_t { kFastest, kPortable, kVector };

enum FmPending : uint32_t {
    kSlotVoice = 0x01,
    kSlotKeyOn = 0x02,
    kSlotKeyOff = 0x04,
    kSlotPitch = 0x08,
    kSlotMod = 0x10,
};

struct FmSlot {
    uint32_t pending;  // FmPending bits
    uint8_t operator_count;
    int8_t block_offset;  // octaves: +1, 0, -1, -2
    uint8_t lfo_rate;
    uint8_t feedback;
    uint8_t algorithm;
    uint8_t key_on;
    uint8_t block;  // 0..7 once the octave offset is applied
    uint16_t fnum;  // 10 bits
    uint8_t mod_level;
    FmOperator op[4];
    uint32_t feedback_shift;  // 0 = no feedback
    int32_t fb_last;
    int32_t fb_prev;
    uint32_t base_increment;  // 12.20 phase step at multiple 1
    uint8_t key_code;         // (block << 1) | (fnum >> 9)
    uint32_t lfo_phase;       // 12.20, wraps
    int32_t gain_left;        // Q15
    int32_t gain_right;       // Q15
    FmRenderer render;        // by algorithm
};

// The operators a slot's voice uses: 4, or 2 (also where the slot has no voice).
constexpr int UsedOperators(const FmSlot& slot) {
    return slot.operator_count == 4 ? 4 : 2;
}

class CFmSynth {
public:
    CFmSynth();

    void SetVoice(uint32_t slot, const VoiceRecord* voice);
    void SetBlockFnum(uint32_t slot, uint8_t block, uint16_t fnum);
    // block = (value >> 2) & 7, F-number bits 9-8 = value & 3.
    void SetBlockFnumHigh(uint32_t slot, uint8_t value);
    // F-number bits 7-0.
    void SetFnumLow(uint32_t slot, uint8_t value);
    // Attenuations in 0.5 dB steps, capped at 192 (silence); take effect at once.
    void SetLevels(uint32_t slot, uint8_t left, uint8_t right);
    void KeyOn(uint32_t slot);
    void KeyOff(uint32_t slot);
    // Modulation level 0..4 (0 = none); drives vibrato.
    void SetModulation(uint32_t slot, uint8_t level);

    // Writes `count` interleaved stereo frames (left, right), replacing what was in `frames`. Vibrato and
    // tremolo take one step per call.
    void Render(int16_t* frames, uint32_t count) { Render(frames, count, count); }
    // The same as consecutive calls of `chunk_frames` frames each (the last one shorter) with no slot
    // operation in between: vibrato and tremolo take one step per chunk, and nothing else depends on where
    // the calls would divide the frames.
    void Render(int16_t* frames, uint32_t count, uint32_t chunk_frames);

    const FmSlot& Slot(uint32_t slot) const { return m_slots[slot]; }

    // Returns false where kVector was asked for and this processor has no vector renderer (the portable
    // renderers then render).
    bool SetRenderPath(FmRenderPath path);

private:
    std::array<FmSlot, kVoiceSlotCount> m_slots{};
    FmPassRenderer m_vector;      // this processor's, or nullptr
    uint32_t m_vector_min_slots;  // sounding slots from which m_vector renders
};

}  // namespace cantavo
