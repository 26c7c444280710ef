#pragma once
// Reads a sound file with libsndfile, mixes its channels to mono, resamples it with libsamplerate and
// normalises it to a safe peak.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace cantavo {

struct AudioInfo {
    std::string format;  // as libsndfile names it, e.g. "WAV (Microsoft)"
    uint32_t rate = 0;
    uint32_t channels = 0;
    uint64_t frames = 0;
};

struct AudioFileInMemory;

class CAudioSource {
public:
    // Nothing (and `reason` set to libsndfile's) when libsndfile cannot read the file.
    static std::unique_ptr<CAudioSource> Open(const std::filesystem::path& path, std::string& reason);
    // The same for a file's bytes in memory, which must outlive the source.
    static std::unique_ptr<CAudioSource> Open(std::span<const uint8_t> bytes, std::string& reason);
    ~CAudioSource();
    CAudioSource(const CAudioSource&) = delete;
    CAudioSource& operator=(const CAudioSource&) = delete;

    const AudioInfo& Info() const { return m_info; }

    // The first `frames` frames as `samples` mono samples at `rate` Hz (the channels averaged); false with
    // `reason` set when decoding or resampling fails.
    bool ReadMono(uint64_t frames, uint32_t rate, size_t samples, std::vector<float>& out,
                  std::string& reason);

private:
    CAudioSource(void* file, AudioInfo info, std::unique_ptr<AudioFileInMemory> memory);

    std::unique_ptr<AudioFileInMemory> m_memory;  // what libsndfile reads when the file is in memory
    void* m_file;                                 // SNDFILE
    AudioInfo m_info;
};

// The file name extensions of the formats libsndfile reads ("wav", "flac", ...), each once.
std::vector<std::string> AudioFileExtensions();
// The same as file dialog patterns: "*.wav;*.flac;...".
std::string AudioFilePatterns();

inline constexpr double kSafePeak = 0.891;  // -1 dB below full scale

// Scales the samples so that the largest reaches kSafePeak; returns the gain in dB (0 for silence).
double Normalise(std::vector<float>& samples);

}  // namespace cantavo
