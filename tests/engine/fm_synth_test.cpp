#include "engine/fm_synth.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace cantavo {
namespace {

constexpr uint8_t kA4Block = 4;
constexpr uint16_t kA4Fnum = 580;
constexpr uint32_t kA4Increment = 85672960;  // (580 << 4) x 9232

// S(i) = round(32767 sin(2 pi i / 4096)), from the formula.
int32_t SineAt(uint32_t i) {
    return static_cast<int32_t>(std::floor(32767.0 * std::sin(2 * M_PI * i / 4096) + 0.5));
}

// Full level from the first sample (attack 15), then held (decay 0, sustain level 0, sustained).
OperatorParams Steady(uint8_t multiple = 1, uint8_t waveform = 0) {
    OperatorParams op{};
    op.multiple = multiple;
    op.sustained = 1;
    op.attack_rate = 15;
    op.release_rate = 15;
    op.waveform = waveform;
    return op;
}

// Never leaves level 0 (attack rate 0 without rate scaling).
OperatorParams Mute() {
    OperatorParams op = Steady();
    op.attack_rate = 0;
    return op;
}

VoiceRecord Voice(uint8_t algorithm, std::initializer_list<OperatorParams> ops, uint8_t octave_code = 1) {
    VoiceRecord v{};
    v.algorithm = algorithm;
    v.octave_code = octave_code;
    int k = 0;
    for (const OperatorParams& op : ops) v.op[k++] = op;
    return v;
}

// The carrier of algorithm 0 alone: operator 1 never sounds.
VoiceRecord PureCarrier(uint8_t multiple = 1, uint8_t waveform = 0) {
    return Voice(0, {Mute(), Steady(multiple, waveform)});
}

void Start(CFmSynth& synth, uint32_t slot, const VoiceRecord& voice, uint8_t left = 0, uint8_t right = 0) {
    synth.SetVoice(slot, &voice);
    synth.SetModulation(slot, 0);
    synth.SetLevels(slot, left, right);
    synth.SetBlockFnum(slot, kA4Block, kA4Fnum);
    synth.KeyOn(slot);
}

std::vector<int16_t> Render(CFmSynth& synth, uint32_t frames) {
    std::vector<int16_t> out(2 * frames, 0x5555);
    synth.Render(out.data(), frames);
    return out;
}

bool Silent(const std::vector<int16_t>& out) {
    for (int16_t s : out)
        if (s != 0) return false;
    return true;
}

TEST(FmSynth, CarrierFollowsTheSineFormulaWithStereoGains) {
    CFmSynth synth;
    const VoiceRecord voice = PureCarrier();
    Start(synth, 0, voice, 0, 12);  // right 6 dB down: gain 16423
    const auto out = Render(synth, 400);
    for (uint32_t n = 0; n < 400; ++n) {
        const int32_t op = (SineAt((n * kA4Increment) >> 20) * 32512) >> 15;  // level of total level 0
        ASSERT_EQ(out[2 * n], op) << n;
        ASSERT_EQ(out[2 * n + 1], (op * 16423) >> 15) << n;
    }
}

TEST(FmSynth, PitchGivesTheDocumentedIncrements) {
    CFmSynth synth;
    const VoiceRecord voice = Voice(5, {Steady(0), Steady(1), Steady(14), Steady(11)});
    Start(synth, 3, voice);
    Render(synth, 1);
    const FmSlot& slot = synth.Slot(3);
    EXPECT_EQ(slot.base_increment, kA4Increment);
    EXPECT_EQ(slot.key_code, (4 << 1) | 1);
    EXPECT_EQ(slot.op[0].increment, kA4Increment / 2);
    EXPECT_EQ(slot.op[1].increment, kA4Increment);
    EXPECT_EQ(slot.op[2].increment, kA4Increment * 15);  // multiples 14 and 15 both mean 15, wrapping
    EXPECT_EQ(slot.op[3].increment, kA4Increment * 10);
}

TEST(FmSynth, MultipleZeroPlaysAnOctaveBelowMultipleOne) {
    CFmSynth low;
    CFmSynth high;
    const VoiceRecord half = PureCarrier(0);
    const VoiceRecord one = PureCarrier(1);
    Start(low, 0, half);
    Start(high, 0, one);
    const auto a = Render(low, 600);
    const auto b = Render(high, 300);
    for (uint32_t n = 0; n < 300; ++n) ASSERT_EQ(a[4 * n], b[2 * n]) << n;
}

TEST(FmSynth, SlotIndexSixteenAndAboveChangesNothing) {
    CFmSynth synth;
    const VoiceRecord voice = PureCarrier();
    for (uint32_t slot : {16u, 17u, 255u, 0x80u}) {
        synth.SetVoice(slot, &voice);
        synth.SetModulation(slot, 3);
        synth.SetLevels(slot, 0, 0);
        synth.SetBlockFnum(slot, 4, 580);
        synth.SetBlockFnumHigh(slot, 0x1F);
        synth.SetFnumLow(slot, 0x44);
        synth.KeyOn(slot);
        synth.KeyOff(slot);
    }
    for (uint32_t s = 0; s < kVoiceSlotCount; ++s) {
        const FmSlot& slot = synth.Slot(s);
        EXPECT_EQ(slot.pending, 0u) << s;
        EXPECT_EQ(slot.operator_count, 0) << s;
        EXPECT_EQ(slot.key_on, 0) << s;
        EXPECT_EQ(slot.mod_level, 0) << s;
        EXPECT_EQ(slot.fnum, 0) << s;
        EXPECT_EQ(slot.gain_left, 0) << s;
    }
    EXPECT_TRUE(Silent(Render(synth, 64)));
}

TEST(FmSynth, VoiceTypesWithoutRendererAreSilent) {
    for (uint8_t type : {2, 3, 8, 200}) {
        CFmSynth synth;
        const VoiceRecord voice = Voice(type, {Steady(), Steady(), Steady(), Steady()});
        Start(synth, 0, voice);
        EXPECT_TRUE(Silent(Render(synth, 64))) << int{type};
        EXPECT_EQ(synth.Slot(0).operator_count, 0) << int{type};
    }
}

TEST(FmSynth, RenderOverwritesAndZeroFramesDoNothing) {
    CFmSynth synth;
    std::vector<int16_t> out(8, 0x1234);
    synth.Render(out.data(), 0);
    EXPECT_EQ(out, std::vector<int16_t>(8, 0x1234));
    synth.Render(out.data(), 4);
    EXPECT_TRUE(Silent(out));
}

TEST(FmSynth, KeyOnAndOffInOneIntervalSoundsAtLeastOneSample) {
    CFmSynth synth;
    const VoiceRecord voice = PureCarrier(1, 6);  // square: full positive at phase 0
    synth.SetVoice(0, &voice);
    synth.SetLevels(0, 0, 0);
    synth.SetBlockFnum(0, kA4Block, kA4Fnum);
    synth.KeyOn(0);
    synth.KeyOff(0);
    const auto out = Render(synth, 1);
    EXPECT_EQ(out[0], (32767 * 32512) >> 15);  // one attack step to full level, phase reset
    EXPECT_EQ(synth.Slot(0).op[1].eg_state, kEgRelease);
    // Release rate 15 drops to nothing within a short while; then the operator rests.
    Render(synth, 2000);
    EXPECT_EQ(synth.Slot(0).op[1].eg_state, kEgOff);
    const uint32_t phase = synth.Slot(0).op[1].phase;
    EXPECT_TRUE(Silent(Render(synth, 100)));
    EXPECT_EQ(synth.Slot(0).op[1].phase, phase);
}

TEST(FmSynth, OperatorReachingZeroAdvancesItsPhaseOnceMore) {
    CFmSynth synth;
    const VoiceRecord voice = PureCarrier();  // release rate 15: x 0x3489D115 / 2^30 per sample
    synth.SetVoice(0, &voice);
    synth.SetBlockFnum(0, kA4Block, kA4Fnum);
    synth.KeyOn(0);
    synth.KeyOff(0);
    // Sample 0 attacks to full level and turns to release; count the release samples down to 0.
    uint64_t level = 0x80000000;
    uint32_t last = 0;
    while (level != 0) {
        level = (level * 0x3489D115) >> 30;
        ++last;
    }
    Render(synth, last + 50);
    EXPECT_EQ(synth.Slot(0).op[1].eg_state, kEgOff);
    EXPECT_EQ(synth.Slot(0).op[1].phase, (last + 1) * kA4Increment);  // samples 0..last each took a step
}

TEST(FmSynth, AttackFromFullLevelCapsInsteadOfWrapping) {
    CFmSynth synth;
    const VoiceRecord voice = PureCarrier(1, 6);
    Start(synth, 0, voice);
    Render(synth, 10);
    ASSERT_EQ(synth.Slot(0).op[1].eg_level, 0x80000000u);
    synth.KeyOn(0);
    const auto out = Render(synth, 1);
    EXPECT_EQ(synth.Slot(0).op[1].eg_level, 0x80000000u);
    EXPECT_EQ(synth.Slot(0).op[1].eg_state, kEgDecay);
    EXPECT_EQ(out[0], 32511);
}

TEST(FmSynth, DecayStopsAtTheSustainTarget) {
    CFmSynth synth;
    OperatorParams op = Steady(1, 6);
    op.decay_rate = 15;    // x 0x3489D115 / 2^30 per sample
    op.sustain_level = 1;  // -3 dB: 1520301996
    const VoiceRecord voice = Voice(0, {Mute(), op});
    Start(synth, 0, voice);
    const auto out = Render(synth, 6);
    // Levels 2^31, 1762894378, 1447180559 (below the target: sustain, held from then on); the square's
    // output is 32767 x (((level >> 16) x 32512) >> 15) >> 15.
    EXPECT_EQ(out[0], 32511);
    EXPECT_EQ(out[2], 26687);
    EXPECT_EQ(out[4], 21908);
    EXPECT_EQ(out[6], 21908);
    EXPECT_EQ(out[10], 21908);
    EXPECT_EQ(synth.Slot(0).op[1].eg_state, kEgSustain);
    EXPECT_EQ(synth.Slot(0).op[1].eg_level, 1447180559u);
}

TEST(FmSynth, RateScalingUsesTheWholeKeyCode) {
    CFmSynth synth;
    OperatorParams op = Steady();
    op.attack_rate = 13;
    VoiceRecord voice = Voice(0, {op, op});
    voice.op[1].rate_scaling = 1;
    Start(synth, 0, voice);  // key code 9
    Render(synth, 1);
    EXPECT_EQ(synth.Slot(0).op[0].attack_step, 0x157FFD3Fu);  // index 13 x 4 + (9 >> 2) = 54
    EXPECT_EQ(synth.Slot(0).op[1].attack_step, 0x80000000u);  // index 13 x 4 + 9 = 61
}

TEST(FmSynth, KeyScalingTableZeroKeepsTheTotalLevelGain) {
    CFmSynth synth;
    OperatorParams op = Steady();
    op.total_level = 8;  // 6 dB: 16423
    VoiceRecord voice = Voice(5, {op, op, op, op});
    voice.op[1].key_scale_level = 2;  // table 1: 0 dB at this pitch, i.e. 32512
    voice.op[2].key_scale_level = 3;  // table 3
    Start(synth, 0, voice);
    synth.SetBlockFnum(0, 7, 1023);  // F-number row 15, block 7: 42 dB in table 3
    Render(synth, 1);
    const FmSlot& slot = synth.Slot(0);
    EXPECT_EQ(slot.op[0].ksl_gain, 32768u);
    EXPECT_EQ(slot.op[0].level, 16423u);
    EXPECT_EQ(slot.op[2].ksl_gain, 260u);
    EXPECT_EQ(slot.op[2].level, (16423u * 260u) >> 15);

    synth.SetBlockFnum(0, 0, 100);  // table 1 at 0 dB
    Render(synth, 1);
    EXPECT_EQ(synth.Slot(0).op[1].ksl_gain, 32512u);
    EXPECT_EQ(synth.Slot(0).op[1].level, 16294u);
}

TEST(FmSynth, OctaveOffsetClampsTheBlock) {
    CFmSynth synth;
    const VoiceRecord down = Voice(0, {Steady(), Steady()}, 3);  // -2 octaves
    synth.SetVoice(0, &down);
    synth.SetBlockFnum(0, 1, 580);
    const VoiceRecord up = Voice(0, {Steady(), Steady()}, 0xFC);  // whole byte from a voice file: +1
    synth.SetVoice(1, &up);
    synth.SetBlockFnum(1, 7, 580);
    synth.SetVoice(2, &up);
    synth.SetBlockFnum(2, 3, 580);
    Render(synth, 1);
    EXPECT_EQ(synth.Slot(0).block, 0);
    EXPECT_EQ(synth.Slot(1).block, 7);
    EXPECT_EQ(synth.Slot(2).block, 4);
    // The offset lands on the stored block whenever the pitch changes, so a lone low F-number write moves it
    // again.
    synth.SetFnumLow(2, 0x10);
    Render(synth, 1);
    EXPECT_EQ(synth.Slot(2).block, 5);
    EXPECT_EQ(synth.Slot(2).fnum, 0x210);
    synth.SetBlockFnumHigh(2, (3 << 2) | 1);
    Render(synth, 1);
    EXPECT_EQ(synth.Slot(2).block, 4);
    EXPECT_EQ(synth.Slot(2).fnum, 0x110);
}

TEST(FmSynth, LoudCarriersClipAfterMixingAndNeverReachMinus32768) {
    CFmSynth synth;
    const VoiceRecord voice = Voice(7, {Steady(1, 6), Mute(), Steady(1, 6), Steady(1, 6)});  // three squares
    for (uint32_t slot = 0; slot < 4; ++slot) Start(synth, slot, voice);
    const auto out = Render(synth, 2000);
    bool negative = false;
    for (uint32_t n = 0; n < 2000; ++n) {
        const uint32_t index = (n * kA4Increment) >> 20;
        const int16_t expected = index < 2048 ? 32767 : -32767;
        ASSERT_EQ(out[2 * n], expected) << n;
        negative |= expected < 0;
    }
    EXPECT_TRUE(negative);
}

TEST(FmSynth, ModulationSetsTheVibratoDepth) {
    CFmSynth synth;
    OperatorParams op = Steady();
    op.vibrato = 1;
    const VoiceRecord voice = Voice(1, {op, op});
    Start(synth, 0, voice);
    synth.SetModulation(0, 4);
    Render(synth, 512);
    EXPECT_EQ(synth.Slot(0).op[0].vibrato_depth, 3);
    EXPECT_EQ(synth.Slot(0).op[0].increment_now, kA4Increment);  // LFO index 0: ratio 1
    Render(synth, 22);
    // LFO rate 0: 0x5A5A8 x 512 >> 20 = index 180; depth 3 is 26.8 cents at the peak (index 1023).
    const double ratio = std::floor(1048576.0 * std::exp2(26.8 * (180.0 / 1023.0) / 1200.0) + 0.5);
    EXPECT_EQ(synth.Slot(0).op[0].increment_now,
              static_cast<uint32_t>((static_cast<uint64_t>(ratio) * kA4Increment) >> 20));

    synth.SetModulation(0, 1);
    Render(synth, 1);
    EXPECT_EQ(synth.Slot(0).op[0].vibrato_depth, 0);  // set, not accumulated
    EXPECT_EQ(synth.Slot(0).op[0].vibrato_on, 1);
    synth.SetModulation(0, 0);
    Render(synth, 1);
    EXPECT_EQ(synth.Slot(0).op[0].vibrato_on, 0);
    EXPECT_EQ(synth.Slot(0).op[0].increment_now, kA4Increment);
}

TEST(FmSynth, TremoloScalesTheLevelOncePerCall) {
    CFmSynth synth;
    OperatorParams op = Steady();
    op.tremolo = 1;
    op.tremolo_depth = 2;
    VoiceRecord voice = Voice(1, {op, Mute()});
    voice.lfo_rate = 3;
    Start(synth, 0, voice);
    Render(synth, 1000);
    Render(synth, 1);
    // 0x156646 x 1000 >> 20 = index 1337; 5.8 dB at the deepest point (2048).
    const double gain = std::floor(32768.0 * std::pow(10.0, -5.8 * (1337.0 / 2048.0) / 20.0) + 0.5);
    EXPECT_EQ(synth.Slot(0).op[0].amplitude, (static_cast<uint32_t>(gain) * 32512u) >> 15);
}

TEST(FmSynth, KeyOnRestartsPhaseAndFeedbackHistory) {
    CFmSynth synth;
    OperatorParams fb_op = Steady();
    fb_op.release_rate = 15;
    VoiceRecord voice = Voice(0, {fb_op, Steady()});
    voice.feedback = 6;
    Start(synth, 0, voice);
    const auto first = Render(synth, 300);
    synth.KeyOff(0);
    Render(synth, 3000);
    ASSERT_EQ(synth.Slot(0).op[0].eg_state, kEgOff);
    ASSERT_EQ(synth.Slot(0).op[0].eg_level, 0u);
    synth.KeyOn(0);
    EXPECT_EQ(Render(synth, 300), first);

    CFmSynth plain;
    voice.feedback = 0;
    Start(plain, 0, voice);
    EXPECT_NE(Render(plain, 300), first);  // feedback does change the sound
}

TEST(FmSynth, SplittingARenderWithoutModulationChangesNothing) {
    CFmSynth whole;
    CFmSynth split;
    VoiceRecord voice = Voice(4, {Steady(2), Steady(1), Steady(3), Steady(1)});
    voice.feedback = 3;
    voice.op[3].decay_rate = 6;
    voice.op[3].sustain_level = 5;
    voice.op[3].sustained = 0;
    voice.op[3].release_rate = 7;
    Start(whole, 5, voice, 4, 9);
    Start(split, 5, voice, 4, 9);
    const auto a = Render(whole, 1000);
    auto b = Render(split, 300);
    const auto rest = Render(split, 700);
    b.insert(b.end(), rest.begin(), rest.end());
    EXPECT_EQ(a, b);
    EXPECT_FALSE(Silent(a));
}

}  // namespace

namespace {

// Slots are rendered in stages and in groups; the result must not depend on which slots share a call.
TEST(FmSynth, SlotsSoundTheSameTogetherAsAlone) {
    const uint8_t algorithms[6] = {0, 1, 4, 5, 6, 7};
    std::vector<VoiceRecord> voices;
    for (int i = 0; i < 6; ++i) {
        VoiceRecord v = Voice(algorithms[i], {Steady(1 + i), Steady(2), Steady(3, i % 8), Steady(1)});
        v.feedback = static_cast<uint8_t>(i == 3 ? 0 : 1 + i);
        v.op[0].decay_rate = 5;
        v.op[0].sustain_level = 6;
        v.op[0].sustained = 0;
        v.op[0].release_rate = 5;
        voices.push_back(v);
    }
    CFmSynth together;
    std::vector<int32_t> sum(2 * 700, 0);
    for (uint32_t i = 0; i < voices.size(); ++i) {
        Start(together, 2 * i + 1, voices[i], 48, 50);
        CFmSynth alone;
        Start(alone, 2 * i + 1, voices[i], 48, 50);
        const auto out = Render(alone, 700);
        EXPECT_FALSE(Silent(out)) << i;
        for (size_t k = 0; k < out.size(); ++k) sum[k] += out[k];
    }
    const auto out = Render(together, 700);
    for (size_t k = 0; k < out.size(); ++k) ASSERT_EQ(out[k], sum[k]) << k;
}

}  // namespace

namespace {

// Every connection, feedback, tremolo and vibrato, envelopes that fall to nothing, to their sustain level,
// or hold; the slots keyed off halfway.
void StartModulatedSlots(CFmSynth& synth, std::vector<VoiceRecord>& voices) {
    const uint8_t algorithms[6] = {0, 1, 4, 5, 6, 7};
    for (uint32_t slot = 0; slot < kVoiceSlotCount; ++slot) {
        VoiceRecord v =
            Voice(algorithms[slot % 6], {Steady(1 + slot % 3), Steady(2), Steady(3, slot % 8), Steady(1)});
        v.feedback = static_cast<uint8_t>(slot % 8);
        v.lfo_rate = static_cast<uint8_t>(slot % 4);
        for (int k = 0; k < 4; ++k) {
            OperatorParams& op = v.op[k];
            op.vibrato = 1;
            op.tremolo = (slot + k) % 3 != 0;
            op.tremolo_depth = static_cast<uint8_t>((slot + k) % 4);
            op.attack_rate = static_cast<uint8_t>(9 + (slot + k) % 7);
            op.decay_rate = static_cast<uint8_t>((slot * 3 + k) % 16);
            op.sustain_level = static_cast<uint8_t>((slot + 2 * k) % 16);
            op.sustained = slot % 2;
            op.release_rate = static_cast<uint8_t>(10 + (slot + k) % 6);
        }
        voices[slot] = v;
    }
    for (uint32_t slot = 0; slot < kVoiceSlotCount; ++slot) {
        synth.SetVoice(slot, &voices[slot]);
        synth.SetModulation(slot, static_cast<uint8_t>(slot % 5));
        synth.SetLevels(slot, static_cast<uint8_t>(slot), static_cast<uint8_t>(20 - slot));
        synth.SetBlockFnum(slot, static_cast<uint8_t>(2 + slot % 5), static_cast<uint16_t>(300 + 37 * slot));
        synth.KeyOn(slot);
    }
}

// Rendering in chunks of `chunk` frames: by calls of that many frames, or in one call that steps the LFO
// at the same places.
std::vector<int16_t> RenderChunked(CFmSynth& synth, uint32_t frames, uint32_t chunk, bool one_call) {
    std::vector<int16_t> out(2 * frames, 0x5555);
    if (one_call) {
        synth.Render(out.data(), frames, chunk);
        return out;
    }
    for (uint32_t done = 0; done < frames; done += chunk)
        synth.Render(out.data() + 2 * done, std::min(chunk, frames - done));
    return out;
}

// A call in chunks is the same as a call per chunk: output and every slot's state after it.
TEST(FmSynth, ARenderInChunksIsTheSameAsACallPerChunk) {
    for (const uint32_t chunk : {1u, 22u, 256u, 300u}) {
        CFmSynth by_calls;
        CFmSynth in_one;
        std::vector<VoiceRecord> voices(kVoiceSlotCount);
        StartModulatedSlots(by_calls, voices);
        StartModulatedSlots(in_one, voices);
        for (const uint32_t frames : {5000u, 4411u}) {
            const auto expected = RenderChunked(by_calls, frames, chunk, false);
            ASSERT_EQ(RenderChunked(in_one, frames, chunk, true), expected) << chunk;
            ASSERT_FALSE(Silent(expected));
            for (uint32_t slot = 0; slot < kVoiceSlotCount; slot += 2) {
                by_calls.KeyOff(slot);
                in_one.KeyOff(slot);
            }
        }
        for (uint32_t s = 0; s < kVoiceSlotCount; ++s) {
            const FmSlot& a = by_calls.Slot(s);
            const FmSlot& b = in_one.Slot(s);
            EXPECT_EQ(a.lfo_phase, b.lfo_phase);
            EXPECT_EQ(a.fb_last, b.fb_last);
            EXPECT_EQ(a.fb_prev, b.fb_prev);
            for (int k = 0; k < 4; ++k) {
                EXPECT_EQ(a.op[k].phase, b.op[k].phase) << s << ' ' << k;
                EXPECT_EQ(a.op[k].eg_level, b.op[k].eg_level) << s << ' ' << k;
                EXPECT_EQ(a.op[k].eg_state, b.op[k].eg_state) << s << ' ' << k;
                EXPECT_EQ(a.op[k].increment_now, b.op[k].increment_now) << s << ' ' << k;
                EXPECT_EQ(a.op[k].amplitude, b.op[k].amplitude) << s << ' ' << k;
            }
        }
    }
    // The LFO does step per chunk: in one step for the whole call the sound differs.
    CFmSynth chunked;
    CFmSynth whole;
    std::vector<VoiceRecord> voices(kVoiceSlotCount);
    StartModulatedSlots(chunked, voices);
    StartModulatedSlots(whole, voices);
    EXPECT_NE(RenderChunked(chunked, 5000, 22, true), RenderChunked(whole, 5000, 5000, true));
}

}  // namespace
}  // namespace cantavo
