// End-to-end rendering of the demo songs through the Synth functions, as the player drives them:
// realtime_factor = seconds of audio per second of CPU (target: at least 1000).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/synth.h"
#include "player/wave_format.h"

namespace cantavo {
namespace {

constexpr uint32_t kBufferBytes = kPlayerBufferBytes;

void BM_RenderSong(benchmark::State& state, const char* name) {
    std::ifstream in(std::filesystem::path(CANTAVO_DEMO_DIR) / name, std::ios::binary);
    const std::vector<uint8_t> song((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (song.empty()) {
        state.SkipWithError("demo song missing");
        return;
    }
    std::vector<uint8_t> buffer(kBufferBytes);
    uint64_t frames = 0;
    for (auto _ : state) {
        SynthSetData(nullptr, 0);
        SynthSetData(song.data(), static_cast<uint32_t>(song.size()));
        if (SynthPlay() != 1) {
            state.SkipWithError("song does not play");
            return;
        }
        while (const uint32_t bytes = SynthRender(buffer.data(), kBufferBytes))
            frames += bytes / kBytesPerFrame;
        benchmark::DoNotOptimize(buffer.data());
    }
    SynthSetData(nullptr, 0);
    state.counters["realtime_factor"] =
        benchmark::Counter(double(frames) / kFramesPerSecond, benchmark::Counter::kIsRate);
    state.counters["song_seconds"] = double(frames) / kFramesPerSecond / double(state.iterations());
}

BENCHMARK_CAPTURE(BM_RenderSong, ode, "ode.mmf")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderSong, drums, "drums.mmf")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderSong, bells, "bells.mmf")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace cantavo
