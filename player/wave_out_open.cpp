// Chooses the backend of a wave output device.
#include "host/environment.h"
#include "player/paced_sink.h"
#include "player/player_texts.h"
#include "player/portaudio_sink.h"
#include "player/wav_file_sink.h"
#include "player/wave_out.h"

namespace cantavo {
namespace {

constexpr std::string_view kWavPrefix = "wav:";
constexpr std::string_view kFastWavPrefix = "wav-fast:";

std::unique_ptr<WaveSink> OpenWavSink(std::string_view backend, std::string_view prefix,
                                      const WaveFormat& format, std::string& error) {
    if (backend.size() == prefix.size()) {
        error = player_texts::kUnknownBackend + std::string(backend);
        return nullptr;
    }
    return WavFileSink::Create(std::string(backend.substr(prefix.size())), format, error);
}

// The player's format at any rate.
bool IsSupported(const WaveFormat& format) {
    return format.format_tag == kPlayerWaveFormat.format_tag &&
           format.channels == kPlayerWaveFormat.channels &&
           format.bits_per_sample == kPlayerWaveFormat.bits_per_sample &&
           format.block_align == kPlayerWaveFormat.block_align && format.samples_per_sec > 0 &&
           format.avg_bytes_per_sec == format.samples_per_sec * format.block_align;
}

std::unique_ptr<WaveSink> OpenSink(std::string_view backend, const WaveFormat& format, std::string& error) {
    if (backend.empty() || backend == "portaudio") return PortAudioSink::Open(format, error);
    if (backend == "null") return std::make_unique<PacedSink>(format.avg_bytes_per_sec);
    if (backend.starts_with(kFastWavPrefix)) return OpenWavSink(backend, kFastWavPrefix, format, error);
    if (backend.starts_with(kWavPrefix)) {
        std::unique_ptr<WaveSink> file = OpenWavSink(backend, kWavPrefix, format, error);
        return file ? std::make_unique<PacedSink>(format.avg_bytes_per_sec, std::move(file)) : nullptr;
    }
    error = player_texts::kUnknownBackend + std::string(backend);
    return nullptr;
}

}  // namespace

std::unique_ptr<WaveOut> WaveOut::Open(std::string_view backend, const WaveFormat& format,
                                       WaveDoneTarget& target, std::string& error) {
    if (!IsSupported(format)) {
        error = player_texts::kUnsupportedFormat;
        return nullptr;
    }
    std::unique_ptr<WaveSink> sink = OpenSink(backend, format, error);
    if (!sink) return nullptr;
    return std::make_unique<WaveOut>(std::move(sink), target);
}

std::string WaveOut::BackendFromEnvironment() {
    return EnvironmentValue("CANTAVO_AUDIO");
}

}  // namespace cantavo
