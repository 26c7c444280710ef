// SynthRender of one player buffer (8192 bytes, 2048 frames, 92.9 ms of sound) with 1 and with 16 slots of
// 4-operator voices sounding: the worst case the engine allows is 16. Budget: under 1% of the buffer's time.
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "engine/synth.h"
#include "engine/synth_engine.h"
#include "player/wave_format.h"
#include "tests/songs/test_songs.h"

namespace cantavo {
namespace {

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

constexpr uint32_t kBufferBytes = kPlayerBufferBytes;
constexpr double kBufferSeconds = double(kBufferBytes / kBytesPerFrame) / kFramesPerSecond;
constexpr uint32_t kLongestNoteMs = 160000;  // the longest gate the format holds at 10 ms ticks

// FM slots holding a 4-operator voice whose operators are all held (attack, decay or sustain).
int SoundingFourOperatorSlots() {
    const CFmSynth& fm = TheSynthEngine().Device().FmSynth();
    int count = 0;
    for (uint32_t s = 0; s < kVoiceSlotCount; ++s) {
        const FmSlot& slot = fm.Slot(s);
        count += slot.operator_count == 4 &&
                 std::all_of(std::begin(slot.op), std::end(slot.op), [](const FmOperator& op) {
                     return op.eg_state >= kEgAttack && op.eg_state <= kEgSustain;
                 });
    }
    return count;
}

void BM_SynthRenderBuffer(benchmark::State& state) {
    const int slots = static_cast<int>(state.range(0));
    const smaf::Bytes song = testing::SustainedChord(slots, kLongestNoteMs, kLongestNoteMs);
    SynthSetData(nullptr, 0);
    SynthSetRepeat(1);  // never ends, however many iterations run
    SynthSetData(song.data(), static_cast<uint32_t>(song.size()));
    if (SynthPlay() != 1) {
        state.SkipWithError("the benchmark song does not play");
        return;
    }
    std::vector<uint8_t> buffer(kBufferBytes);
    for (int i = 0; i < 4; ++i) SynthRender(buffer.data(), kBufferBytes);  // past the attack, into sustain
    int64_t peak = 0;
    for (size_t i = 0; i + 1 < buffer.size(); i += 2)
        peak = std::max<int64_t>(peak, std::abs(static_cast<int16_t>(buffer[i] | buffer[i + 1] << 8)));
    if (peak == 0 || SoundingFourOperatorSlots() != slots) {
        state.SkipWithError("the benchmark song does not sound on the slots it should");
        return;
    }
    double cpu_seconds = 0;
    std::chrono::duration<double> wall{};
    for (auto _ : state) {
        const double cpu_before = ThreadCpuSeconds();
        const auto wall_before = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(SynthRender(buffer.data(), kBufferBytes));
        benchmark::ClobberMemory();
        wall += std::chrono::steady_clock::now() - wall_before;
        cpu_seconds += ThreadCpuSeconds() - cpu_before;
    }
    // Share of the buffer's own duration spent rendering it (the target is below 1%).
    const double buffers = static_cast<double>(state.iterations());
    state.counters["cpu_percent_of_buffer"] = 100 * cpu_seconds / buffers / kBufferSeconds;
    state.counters["wall_percent_of_buffer"] = 100 * wall.count() / buffers / kBufferSeconds;
    SynthSetData(nullptr, 0);
    SynthSetRepeat(0);
}
BENCHMARK(BM_SynthRenderBuffer)->ArgName("slots")->Arg(1)->Arg(16)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace cantavo
