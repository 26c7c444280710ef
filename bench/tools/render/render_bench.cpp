// cantavo-render on the heaviest kind of song (16 channels of 4-operator voices, feedback, tremolo and
// vibrato on every operator; testing::FullyModulatedSong), run as a program: x_realtime = seconds of
// sound per second of the program's CPU time (user + system, one core). Target: at least 400.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/synth.h"
#include "tests/songs/test_songs.h"

extern char** environ;

namespace cantavo {
namespace {

namespace fs = std::filesystem;
constexpr uint32_t kSongSeconds = 120;

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Runs the program to its end; its CPU seconds, or a negative value when it failed.
double RunForCpuSeconds(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

void BM_CantavoRenderFullyModulatedSong(benchmark::State& state) {
    const fs::path folder = fs::temp_directory_path() / ("render_bench." + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path song = folder / "modulated.mmf";
    const fs::path out = folder / "modulated.raw";
    const smaf::Bytes bytes = testing::FullyModulatedSong(kSongSeconds);
    std::ofstream(song, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    double cpu = 0;
    double sound = 0;
    for (auto _ : state) {
        const double seconds = RunForCpuSeconds({CANTAVO_RENDER, "--raw", song.string(), out.string()});
        if (seconds < 0) {
            state.SkipWithError("cantavo-render failed");
            break;
        }
        state.SetIterationTime(seconds);
        cpu += seconds;
        sound += static_cast<double>(fs::file_size(out)) / kBytesPerFrame / double(kFramesPerSecond);
    }
    fs::remove_all(folder);
    state.counters["song_seconds"] = sound / static_cast<double>(state.iterations());
    state.counters["x_realtime"] = cpu > 0 ? sound / cpu : 0;
}
BENCHMARK(BM_CantavoRenderFullyModulatedSong)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
}  // namespace cantavo
