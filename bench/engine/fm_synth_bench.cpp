// CFmSynth::Render of one player buffer (2048 frames) under a light and a worst-case load: x_realtime =
// seconds of sound per second of CPU time (target for the worst case: at least 550). The worst case's
// argument `portable`: 1 renders with the portable renderers only, 0 as the program does (sixteen slots take
// the processor's vector renderer where it has one); the label says which ran.
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/fm_synth.h"
#include "engine/note_pitch.h"
#include "engine/synth.h"
#include "engine/voice_table.h"
#include "player/wave_format.h"

namespace cantavo {
namespace {

constexpr uint32_t kBufferFrames = kPlayerBufferBytes / kBytesPerFrame;

void StartNote(CFmSynth& synth, uint32_t slot, const VoiceRecord& voice, uint8_t note, uint8_t modulation) {
    synth.SetVoice(slot, &voice);
    synth.SetModulation(slot, modulation);
    synth.SetLevels(slot, 12, 12);
    const uint32_t pitch = NoteToBlockFnum(note, 2, 0);
    synth.SetBlockFnum(slot, static_cast<uint8_t>(pitch >> 16), static_cast<uint16_t>(pitch & 0xFFFF));
    synth.KeyOn(slot);
}

// For sixteen sounding slots.
void ChoosePath(benchmark::State& state, CFmSynth& synth, bool portable) {
    if (portable) {
        synth.SetRenderPath(FmRenderPath::kPortable);
        state.SetLabel("portable");
        return;
    }
    CFmSynth probe;
    state.SetLabel(probe.SetRenderPath(FmRenderPath::kVector) ? "vector" : "portable: no vector renderer");
}

void Report(benchmark::State& state) {
    state.counters["ns_per_frame"] = benchmark::Counter(
        kBufferFrames * 1e-9, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["x_realtime"] = benchmark::Counter(kBufferFrames / double(kFramesPerSecond),
                                                      benchmark::Counter::kIsIterationInvariantRate);
}

// Every buffer restarts the notes, so the envelopes keep moving (attack, then decay) and never rest.

// (a) four slots of the 2-operator piano voice (with feedback).
void BM_Render2OpFourSlots(benchmark::State& state) {
    const CVoiceTable table;
    CFmSynth synth;
    for (uint32_t slot = 0; slot < 4; ++slot) StartNote(synth, slot, table.Record(0, 0), 60 + 4 * slot, 0);
    std::vector<int16_t> out(2 * kBufferFrames);
    synth.Render(out.data(), kBufferFrames);
    for (auto _ : state) {
        for (uint32_t slot = 0; slot < 4; ++slot) synth.KeyOn(slot);
        synth.Render(out.data(), kBufferFrames);
        benchmark::DoNotOptimize(out.data());
    }
    Report(state);
}
BENCHMARK(BM_Render2OpFourSlots);

// (b) worst case: sixteen slots of 4-operator voices, every algorithm, feedback, vibrato and tremolo on,
// every operator sounding and decaying. Argument: frames per LFO step (2048: one step per buffer; 22: the
// steps of a song, whose events are due between chunks of 22 frames).
void BM_Render4OpSixteenSlotsAllOn(benchmark::State& state) {
    const auto lfo_frames = static_cast<uint32_t>(state.range(0));
    std::vector<VoiceRecord> voices;
    const CVoiceTable table;
    for (uint8_t algorithm : {4, 5, 6, 7}) {
        VoiceRecord voice = table.Record(1, 48);
        voice.algorithm = algorithm;
        voice.feedback = 5;
        for (OperatorParams& op : voice.op) {
            op.vibrato = 1;
            op.tremolo = 1;
            op.tremolo_depth = 3;
            op.attack_rate = 15;
            op.decay_rate = 2;
            op.sustain_level = 4;
        }
        voices.push_back(voice);
    }
    CFmSynth synth;
    ChoosePath(state, synth, state.range(1) != 0);
    for (uint32_t slot = 0; slot < kVoiceSlotCount; ++slot)
        StartNote(synth, slot, voices[slot % voices.size()], static_cast<uint8_t>(48 + 2 * slot), 4);
    std::vector<int16_t> out(2 * kBufferFrames);
    synth.Render(out.data(), kBufferFrames);
    for (auto _ : state) {
        for (uint32_t slot = 0; slot < kVoiceSlotCount; ++slot) synth.KeyOn(slot);
        synth.Render(out.data(), kBufferFrames, lfo_frames);
        benchmark::DoNotOptimize(out.data());
    }
    Report(state);
}
BENCHMARK(BM_Render4OpSixteenSlotsAllOn)
    ->ArgNames({"lfo_frames", "portable"})
    ->ArgsProduct({{2048, 22}, {0, 1}});

}  // namespace
}  // namespace cantavo
