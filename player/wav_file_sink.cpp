#include "player/wav_file_sink.h"

#include <iostream>

#include "player/player_texts.h"

namespace cantavo {

std::unique_ptr<WavFileSink> WavFileSink::Create(const std::string& path, const WaveFormat& format,
                                                 std::string& error) {
    std::string reason;
    std::unique_ptr<CAudioOutput> file = OpenWavOutput(path, format.samples_per_sec, reason);
    if (!file || !file->Flush()) {
        error = player_texts::FileError(path, file ? file->Error() : reason);
        return nullptr;
    }
    return std::unique_ptr<WavFileSink>(new WavFileSink(std::move(file), path));
}

WavFileSink::~WavFileSink() {
    if (!m_file->Close()) ReportError();
}

void WavFileSink::Consume(const uint8_t* pcm, uint32_t bytes) {
    if (!m_file->Write(pcm, bytes)) ReportError();
}

void WavFileSink::Idle(bool) {
    if (!m_file->Flush()) ReportError();
}

// The device's thread cannot return an error: tell the person at the terminal, once.
void WavFileSink::ReportError() {
    if (m_failed) return;
    m_failed = true;
    std::cerr << player_texts::kProgram << ": " << player_texts::FileError(m_path, m_file->Error()) << '\n';
}

}  // namespace cantavo
