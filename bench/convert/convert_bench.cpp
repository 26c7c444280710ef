// Conversions of large inputs (targets: under 0.5 s each):
//   a 1 MB MIDI file of format 1 with 16 channels, fitted into an FM slot;
//   a 3-minute 44.1 kHz stereo WAV file, fitted into an ADPCM slot.
#include <benchmark/benchmark.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <numbers>
#include <random>

#include "convert/convert.h"
#include "tests/convert/midi_file_builder.h"

namespace cantavo {
namespace {

constexpr size_t kMidiBytes = 1 << 20;

// 16 tracks, one per channel: chords, a melody line, drums on channel 10, with volume, expression,
// modulation and pitch bend moving all the time.
std::vector<uint8_t> LargeMidiFile() {
    std::mt19937 random(7);
    CMidiFileBuilder file(1, 480);
    CMidiTrackBuilder& conductor = file.AddTrack();
    conductor.Tempo(0, 500000);
    conductor.TimeSignature(0, 4, 2);
    std::vector<CMidiTrackBuilder*> tracks;
    for (uint8_t channel = 0; channel < 16; ++channel) {
        tracks.push_back(&file.AddTrack());
        tracks.back()->Program(0, channel, static_cast<uint8_t>(channel * 7));
    }
    for (uint32_t beat = 0; file.Bytes(true).size() < kMidiBytes; beat += 16) {
        for (uint32_t b = beat; b < beat + 16; ++b) {
            const uint32_t at = b * 240;
            for (uint8_t channel = 0; channel < 16; ++channel) {
                CMidiTrackBuilder& track = *tracks[channel];
                const uint8_t key = channel == 9 ? static_cast<uint8_t>(35 + random() % 47)
                                                 : static_cast<uint8_t>(36 + channel * 3 + random() % 24);
                track.Note(at, 120 + random() % 600, channel, key, static_cast<uint8_t>(30 + random() % 97));
                if (b % 2 == 0) track.Controller(at + 10, channel, 11, static_cast<uint8_t>(random() % 128));
                if (b % 4 == 0) track.PitchBend(at + 20, channel, static_cast<int>(random() % 16384) - 8192);
                if (b % 8 == 0) track.Controller(at + 30, channel, 1, static_cast<uint8_t>(random() % 128));
            }
        }
    }
    return file.Bytes(true);
}

void BM_ConvertMidi(benchmark::State& state) {
    const std::vector<uint8_t> midi = LargeMidiFile();
    size_t output = 0;
    for (auto _ : state) {
        const Conversion conversion = ConvertMidi(midi, "large.mid", {});
        if (!conversion.error.empty()) {
            state.SkipWithError(conversion.error.c_str());
            return;
        }
        output = conversion.smaf.size();
        benchmark::DoNotOptimize(conversion.smaf.data());
    }
    state.counters["midi_bytes"] = double(midi.size());
    state.counters["smaf_bytes"] = double(output);
}

void BM_ConvertWav(benchmark::State& state) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("cantavo_convert_bench_" + std::to_string(getpid()) + ".wav");
    constexpr int kRate = 44100;
    constexpr int kSeconds = 180;
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    std::vector<short> second(2 * kRate);
    for (int s = 0; s < kSeconds; ++s) {
        for (int f = 0; f < kRate; ++f) {
            const double t = s + double(f) / kRate;
            second[2 * f] = static_cast<short>(12000 * std::sin(2 * std::numbers::pi * 440 * t));
            second[2 * f + 1] = static_cast<short>(9000 * std::sin(2 * std::numbers::pi * 660 * t));
        }
        sf_writef_short(file, second.data(), kRate);
    }
    sf_close(file);
    for (auto _ : state) {
        const Conversion conversion = ConvertFile(path, {});
        if (!conversion.error.empty()) {
            state.SkipWithError(conversion.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(conversion.smaf.data());
    }
    std::filesystem::remove(path);
}

BENCHMARK(BM_ConvertMidi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConvertWav)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace cantavo
