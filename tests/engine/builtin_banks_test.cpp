#include "engine/builtin_banks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/fm_synth.h"
#include "engine/note_pitch.h"

namespace cantavo {
namespace {

std::vector<int> Fields(const OperatorParams& op) {
    return {op.multiple,        op.vibrato,    op.sustained,     op.hold_release,  op.rate_scaling,
            op.release_rate,    op.decay_rate, op.attack_rate,   op.sustain_level, op.total_level,
            op.key_scale_level, op.spare_bits, op.tremolo_depth, op.tremolo,       op.waveform};
}

std::vector<int> Head(const VoiceRecord& v) {
    return {v.octave_code, v.lfo_rate, v.feedback, v.algorithm};
}

using Ops = std::vector<int>;
const Ops kZero(15, 0);

TEST(BuiltinBanks, TellingRowsAreExact) {
    const VoiceRecord& piano = kBuiltinMelody2Op[0];
    EXPECT_EQ(Head(piano), (Ops{1, 1, 4, 0}));
    EXPECT_EQ(Fields(piano.op[0]), (Ops{1, 0, 1, 0, 0, 5, 2, 15, 4, 14, 2, 2, 2, 0, 0}));
    EXPECT_EQ(Fields(piano.op[1]), (Ops{1, 0, 1, 0, 0, 6, 2, 15, 7, 0, 0, 2, 2, 0, 0}));
    EXPECT_EQ(Fields(piano.op[2]), kZero);
    EXPECT_EQ(Fields(piano.op[3]), kZero);

    const VoiceRecord& guitar = kBuiltinMelody2Op[24];
    EXPECT_EQ(Head(guitar), (Ops{1, 1, 6, 0}));
    EXPECT_EQ(Fields(guitar.op[0]), (Ops{2, 0, 0, 0, 0, 4, 3, 15, 9, 23, 2, 2, 2, 0, 1}));
    EXPECT_EQ(Fields(guitar.op[1]), (Ops{1, 1, 0, 0, 0, 8, 3, 15, 12, 0, 2, 2, 2, 0, 0}));
    EXPECT_EQ(Fields(guitar.op[2]), kZero);

    const VoiceRecord& piano4 = kBuiltinMelody4Op[0];
    EXPECT_EQ(Head(piano4), (Ops{1, 1, 4, 5}));
    EXPECT_EQ(Fields(piano4.op[0]), (Ops{1, 0, 1, 0, 1, 2, 1, 15, 11, 15, 2, 2, 2, 0, 0}));
    EXPECT_EQ(Fields(piano4.op[1]), (Ops{1, 0, 0, 0, 1, 15, 1, 15, 10, 0, 2, 2, 2, 0, 0}));
    EXPECT_EQ(Fields(piano4.op[2]), (Ops{1, 0, 1, 0, 1, 2, 1, 15, 11, 25, 0, 2, 2, 0, 0}));
    EXPECT_EQ(Fields(piano4.op[3]), (Ops{1, 0, 1, 0, 1, 5, 1, 12, 13, 0, 0, 2, 2, 0, 0}));

    const VoiceRecord& snare = kBuiltinDrums[38];
    EXPECT_EQ(Head(snare), (Ops{1, 1, 7, 0}));
    EXPECT_EQ(snare.drum_note, 65);
    EXPECT_EQ(Fields(snare.op[0]), (Ops{0, 0, 0, 0, 0, 0, 11, 10, 0, 13, 0, 2, 2, 0, 2}));
    EXPECT_EQ(Fields(snare.op[1]), (Ops{0, 0, 0, 0, 0, 7, 8, 10, 3, 0, 0, 2, 2, 0, 6}));
    EXPECT_EQ(Fields(snare.op[2]), kZero);
}

TEST(BuiltinBanks, MelodyBanksHaveTheirKinds) {
    int algorithm1 = 0;
    for (const VoiceRecord& v : kBuiltinMelody2Op) {
        EXPECT_EQ(v.operator_count, 2);
        EXPECT_TRUE(v.algorithm == 0 || v.algorithm == 1);
        EXPECT_EQ(v.wave_handle, 0u);
        EXPECT_EQ(v.drum_note, 0);
        algorithm1 += v.algorithm == 1;
    }
    EXPECT_EQ(algorithm1, 5);

    bool seen[8] = {};
    for (const VoiceRecord& v : kBuiltinMelody4Op) {
        EXPECT_EQ(v.operator_count, 4);
        ASSERT_GE(v.algorithm, 4);
        ASSERT_LE(v.algorithm, 7);
        seen[v.algorithm] = true;
        EXPECT_EQ(v.wave_handle, 0u);
    }
    EXPECT_TRUE(seen[4] && seen[5] && seen[6] && seen[7]);
}

TEST(BuiltinBanks, DrumNotesFollowTheDrumMap) {
    for (int note = 0; note < 128; ++note) {
        const VoiceRecord& v = kBuiltinDrums[note];
        EXPECT_EQ(v.operator_count, 2) << note;
        EXPECT_EQ(v.algorithm, 0) << note;
        const bool mapped = note == 31 || (note >= 35 && note <= 82);
        EXPECT_EQ(v.drum_note != 0, mapped) << note;
    }
    EXPECT_EQ(kBuiltinDrums[35].drum_note, 23);
    EXPECT_EQ(kBuiltinDrums[36].drum_note, 31);
    EXPECT_EQ(kBuiltinDrums[42].drum_note, 62);
}

TEST(BuiltinBanks, EveryFieldWithinItsRange) {
    for (const VoiceBank* bank : {&kBuiltinMelody2Op, &kBuiltinMelody4Op, &kBuiltinDrums}) {
        for (const VoiceRecord& v : *bank) {
            EXPECT_LE(v.octave_code, 3);
            EXPECT_LE(v.lfo_rate, 3);
            EXPECT_LE(v.feedback, 7);
            EXPECT_LE(v.drum_note, 127);
            for (const OperatorParams& op : v.op) {
                const auto f = Fields(op);
                const int limit[15] = {15, 1, 1, 1, 1, 15, 15, 15, 15, 63, 3, 3, 3, 1, 7};
                for (int i = 0; i < 15; ++i) EXPECT_LE(f[i], limit[i]);
            }
        }
    }
}

}  // namespace

namespace {

// Peak of the left channel over 0.4 s of one note at -12 dB.
int Peak(const VoiceRecord& voice, uint8_t note) {
    CFmSynth synth;
    synth.SetVoice(0, &voice);
    synth.SetLevels(0, 24, 24);
    const uint32_t pitch = NoteToBlockFnum(note, 2, 0);
    synth.SetBlockFnum(0, static_cast<uint8_t>(pitch >> 16), static_cast<uint16_t>(pitch & 0xFFFF));
    synth.KeyOn(0);
    std::vector<int16_t> out(2 * 8820);
    synth.Render(out.data(), 8820);
    int peak = 0;
    for (size_t i = 0; i < out.size(); i += 2) peak = std::max(peak, std::abs(int{out[i]}));
    return peak;
}

TEST(BuiltinBanks, EveryVoiceSounds) {
    for (int i = 0; i < 128; ++i) {
        EXPECT_GT(Peak(kBuiltinMelody2Op[i], 60), 1000) << "bank 0 voice " << i;
        EXPECT_GT(Peak(kBuiltinMelody4Op[i], 60), 1000) << "bank 1 voice " << i;
        if (kBuiltinDrums[i].drum_note != 0) {
            EXPECT_GT(Peak(kBuiltinDrums[i], kBuiltinDrums[i].drum_note), 1000) << "drum " << i;
        }
    }
}

}  // namespace
}  // namespace cantavo
