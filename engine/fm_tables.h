#pragma once
// Constant tables of the FM synthesizer, all at 22050 frames per second. The waveforms and the level,
// key-scale, tremolo and vibrato gains are computed from their rules at build time
// (engine/tables/make_engine_tables.cpp).

#include <array>
#include <cstdint>

#include "engine/fm_tables_computed.h"

namespace cantavo::fm_tables {

inline constexpr int kWaveLength = 4096;  // samples per cycle; indexed by phase >> 20
inline constexpr int kWaveforms = 8;
inline constexpr int kLfoLength = 4096;  // indexed by lfo_phase >> 20
static_assert(kWaveform.size() == kWaveforms && kWaveform[0].size() == kWaveLength);
static_assert(kTremolo[0].size() == kLfoLength && kVibrato[0].size() == kLfoLength);

// Voice multiple 0..15 to the frequency multiple; 0 means 1/2.
inline constexpr std::array<uint8_t, 16> kMultiple = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 12, 12, 15, 15};
// Octave code 0..3 to the block offset.
inline constexpr std::array<int8_t, 4> kOctaveOffset = {1, 0, -1, -2};
// Voice key-scale level 0..3 to the key-scale table number.
inline constexpr std::array<uint8_t, 4> kKeyScaleTable = {0, 2, 1, 3};
// Feedback 0..7 to the right shift of operator 1's output history; 0 = no feedback.
inline constexpr std::array<uint8_t, 8> kFeedbackShift = {0, 7, 6, 5, 4, 3, 2, 1};

// LFO phase step per frame (12.20 of a 4096-entry cycle): 1.9, 4.2, 6.1, 7.2 Hz.
inline constexpr std::array<uint32_t, 4> kLfoStep = {0x0005A5A8, 0x000C7BA9, 0x00122151, 0x00156646};

// Envelope step per sample by rate index 0..63 (R x 4 + key code): attack adds to eg_level...
inline constexpr std::array<uint32_t, 64> kAttackStep = {
    0,          0,          0,          0,          0x0000803A, 0x0000A048, 0x0000C057, 0x0000E065,
    0x00010074, 0x00014090, 0x000180AE, 0x0001C0CB, 0x000200E7, 0x00028122, 0x0003015A, 0x00038192,
    0x000401CB, 0x00050244, 0x000602BB, 0x00070330, 0x000803A4, 0x000A0472, 0x000C0576, 0x000E065F,
    0x0010070F, 0x0014093D, 0x00180AEC, 0x001C0CBE, 0x00200E1F, 0x00281119, 0x003013DA, 0x0038197C,
    0x00401C3E, 0x005027BA, 0x00602FAC, 0x00702822, 0x0080387B, 0x00A04F74, 0x00C03F7D, 0x00E07BA2,
    0x0100385E, 0x01404676, 0x0180FE7B, 0x01C0F745, 0x020070BD, 0x02808CEC, 0x0301FCF6, 0x037F3A28,
    0x0400E179, 0x050119D8, 0x05FC09CA, 0x06FE744F, 0x0E833158, 0x1223FDAE, 0x157FFD3F, 0x193D346C,
    0x1D0662AF, 0x2447FB5B, 0x2CA75CBF, 0x305FF9CF, 0x80000000, 0x80000000, 0x80000000, 0x80000000,
};

// ... decay, sustain and release multiply it (Q30; 0x40000000 holds).
inline constexpr std::array<uint32_t, 64> kDecayMul = {
    0x40000000, 0x40000000, 0x40000000, 0x40000000, 0x3FFFCD63, 0x3FFFC0BC, 0x3FFFB414, 0x3FFFA76D,
    0x3FFF9AC6, 0x3FFF8177, 0x3FFF6829, 0x3FFF4EDA, 0x3FFF358C, 0x3FFF02F0, 0x3FFED053, 0x3FFE9DB7,
    0x3FFE6B1B, 0x3FFE05E3, 0x3FFDA0AC, 0x3FFD3B75, 0x3FFCD640, 0x3FFC0BD6, 0x3FFB416D, 0x3FFA7709,
    0x3FF9ACA7, 0x3FF817E8, 0x3FF68335, 0x3FF4EE8D, 0x3FF359E9, 0x3FF030CB, 0x3FED07E0, 0x3FE9DF17,
    0x3FE6B66A, 0x3FE065A5, 0x3FDA155F, 0x3FD3C586, 0x3FCD766D, 0x3FC0DA46, 0x3FB44135, 0x3FA7AAD4,
    0x3F9B1658, 0x3F81F2DA, 0x3F68DF9F, 0x3F4FCF94, 0x3F36C57F, 0x3F04DDF7, 0x3ED315FE, 0x3EA18432,
    0x3E7003B1, 0x3E0DBC12, 0x3DABB2D2, 0x3D4A87BE, 0x3CE9CB34, 0x3C2A092D, 0x3B6D1981, 0x3AB38867,
    0x39F9B30F, 0x3891211E, 0x372DE101, 0x35D75EDA, 0x3489D115, 0x3489D115, 0x3489D115, 0x3489D115,
};

}  // namespace cantavo::fm_tables
