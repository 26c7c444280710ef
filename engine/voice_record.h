#pragma once
// One FM or drum voice of the voice table, and the operator parameters it carries.
//
// Packed operator (5 bytes s0..s4), as stored in voice files and song voices:
//
//   s0:  7 6 5 4 | 3   | 2         | 1            | 0
//        multiple| vib | sustained | hold_release | rate_scaling
//   s1:  7 6 5 4      | 3 2 1 0
//        release_rate | decay_rate
//   s2:  7 6 5 4     | 3 2 1 0
//        attack_rate | sustain_level
//   s3:  7 6 5 4 3 2   | 1 0
//        total_level   | key_scale_level
//   s4:  7 6        | 5 4           | 3       | 2 1 0
//        spare_bits | tremolo_depth | tremolo | waveform
//
// VoiceRecord (72 bytes):
//
//   0  wave_handle (u32)   4 operator_count   5 octave_code   6 lfo_rate   7 feedback   8 algorithm
//   9  operator 1  24 operator 2  39 operator 3  54 operator 4  (15 bytes each, unpacked)
//   69 drum_note   70-71 unused

#include <cstddef>
#include <cstdint>

namespace cantavo {

struct OperatorParams {
    uint8_t multiple;         // 0..15, mapped by the synthesizer (0 means 1/2)
    uint8_t vibrato;          // 0/1
    uint8_t sustained;        // 0/1
    uint8_t hold_release;     // 0/1
    uint8_t rate_scaling;     // 0/1
    uint8_t release_rate;     // 0..15
    uint8_t decay_rate;       // 0..15
    uint8_t attack_rate;      // 0..15
    uint8_t sustain_level;    // 0..15, 3 dB steps
    uint8_t total_level;      // 0..63, 0.75 dB steps
    uint8_t key_scale_level;  // 0..3
    uint8_t spare_bits;       // 0..3, carried, not used
    uint8_t tremolo_depth;    // 0..3
    uint8_t tremolo;          // 0/1
    uint8_t waveform;         // 0..7
};

struct VoiceRecord {
    uint32_t wave_handle;    // ADPCM wave of a drum note, 0 = none
    uint8_t operator_count;  // 0 = empty record, 2 or 4
    uint8_t octave_code;     // 0..3 (+1, 0, -1, -2 octaves); voice files store a whole byte
    uint8_t lfo_rate;        // 0..3
    uint8_t feedback;        // 0..7
    uint8_t algorithm;       // 0, 1, 4..7 sound; 2, 3 are empty
    OperatorParams op[4];
    uint8_t drum_note;  // note a drum voice sounds at
    uint8_t unused[2];
};

static_assert(sizeof(OperatorParams) == 15);
static_assert(offsetof(OperatorParams, total_level) == 9);
static_assert(offsetof(OperatorParams, waveform) == 14);
static_assert(sizeof(VoiceRecord) == 72);
static_assert(offsetof(VoiceRecord, operator_count) == 4);
static_assert(offsetof(VoiceRecord, octave_code) == 5);
static_assert(offsetof(VoiceRecord, algorithm) == 8);
static_assert(offsetof(VoiceRecord, op) == 9);
static_assert(offsetof(VoiceRecord, op) + sizeof(OperatorParams) == 24);
static_assert(offsetof(VoiceRecord, drum_note) == 69);

inline constexpr size_t kPackedOperatorBytes = 5;

// Unpacks one operator from its 5 packed bytes (layout above).
constexpr OperatorParams UnpackOperator(const uint8_t* s) {
    return OperatorParams{
        .multiple = static_cast<uint8_t>(s[0] >> 4),
        .vibrato = static_cast<uint8_t>((s[0] >> 3) & 1),
        .sustained = static_cast<uint8_t>((s[0] >> 2) & 1),
        .hold_release = static_cast<uint8_t>((s[0] >> 1) & 1),
        .rate_scaling = static_cast<uint8_t>(s[0] & 1),
        .release_rate = static_cast<uint8_t>(s[1] >> 4),
        .decay_rate = static_cast<uint8_t>(s[1] & 15),
        .attack_rate = static_cast<uint8_t>(s[2] >> 4),
        .sustain_level = static_cast<uint8_t>(s[2] & 15),
        .total_level = static_cast<uint8_t>(s[3] >> 2),
        .key_scale_level = static_cast<uint8_t>(s[3] & 3),
        .spare_bits = static_cast<uint8_t>(s[4] >> 6),
        .tremolo_depth = static_cast<uint8_t>((s[4] >> 4) & 3),
        .tremolo = static_cast<uint8_t>((s[4] >> 3) & 1),
        .waveform = static_cast<uint8_t>(s[4] & 7),
    };
}

// Algorithms 0 and 1 are 2-operator voices, 4..7 are 4-operator voices, anything else is empty.
constexpr uint8_t OperatorCountOf(uint8_t algorithm) {
    if (algorithm <= 1) return 2;
    if (algorithm >= 4 && algorithm <= 7) return 4;
    return 0;
}

}  // namespace cantavo
