#pragma once
// A file of 16-bit stereo sound: an audio file through libsndfile (format by extension, or WAV) or raw PCM.
// cantavo-render writes its output through it, and so does the player's wav: backend.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace cantavo {

class CAudioOutput {
public:
    virtual ~CAudioOutput() = default;
    // Writes whole frames of 16-bit little-endian stereo; false on a write error (see Error()).
    virtual bool Write(const uint8_t* bytes, uint32_t length) = 0;
    // Brings the file up to date, so that it is whole at this point; false when that fails.
    virtual bool Flush() = 0;
    // Finishes the file; false when that fails.
    virtual bool Close() = 0;
    const std::string& Error() const { return m_error; }

protected:
    std::string m_error;
};

// The extensions of the audio files the installed libsndfile can write (".wav", ".flac", ...; ".mp3" with
// libsndfile 1.1 and later), in that order.
std::vector<std::string> WritableExtensions();
// Whether an audio file of `path`'s extension can be written (any case).
bool CanWriteAudioFile(const std::filesystem::path& path);

// Opens `path` for writing; null with `error` set when it cannot be created.
std::unique_ptr<CAudioOutput> OpenAudioOutput(const std::filesystem::path& path, bool raw,
                                              std::string& error);
// Opens `path` for a 16-bit PCM WAV file of `frames_per_second`, whatever its extension.
std::unique_ptr<CAudioOutput> OpenWavOutput(const std::filesystem::path& path, uint32_t frames_per_second,
                                            std::string& error);

}  // namespace cantavo
