// A sink that writes the sound, as it would be heard, into a WAV file; it takes sound as fast as it comes.
// (Behind a PacedSink it keeps the pace of a sound card.)
#pragma once

#include <memory>
#include <string>

#include "player/audio_output.h"
#include "player/wave_out.h"

namespace cantavo {

class WavFileSink : public WaveSink {
public:
    // Creates the file; null with the reason in error when that fails.
    static std::unique_ptr<WavFileSink> Create(const std::string& path, const WaveFormat& format,
                                               std::string& error);
    ~WavFileSink() override;

    void Start() override {}
    void Consume(const uint8_t* pcm, uint32_t bytes) override;
    // The header is brought up to date whenever the device idles, so the file is whole between songs.
    void Idle(bool discard) override;

private:
    WavFileSink(std::unique_ptr<CAudioOutput> file, std::string path)
        : m_file(std::move(file)), m_path(std::move(path)) {}
    void ReportError();

    std::unique_ptr<CAudioOutput> m_file;
    std::string m_path;
    bool m_failed = false;
};

}  // namespace cantavo
