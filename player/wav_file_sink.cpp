#include "player/wav_file_sink.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "player/player_texts.h"

namespace {

constexpr uint32_t kWavHeaderBytes = 44;  // RIFF, fmt (16 bytes of format) and data chunk headers

void PutLe(uint8_t* at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::unique_ptr<WavFileSink> WavFileSink::Create(const std::string& path, const WaveFormat& format,
                                                 std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = player_texts::FileError(path, std::strerror(errno));
        return nullptr;
    }
    std::unique_ptr<WavFileSink> sink(new WavFileSink(file, path, format));
    if (!sink->WriteHeader()) {
        error = player_texts::FileError(path, std::strerror(errno));
        return nullptr;
    }
    return sink;
}

WavFileSink::~WavFileSink() {
    if (!WriteHeader()) ReportError();
    if (std::fclose(file_) != 0) ReportError();
}

void WavFileSink::Consume(const uint8_t* pcm, uint32_t bytes) {
    if (std::fwrite(pcm, 1, bytes, file_) != bytes) ReportError();
    data_bytes_ += bytes;
}

void WavFileSink::Idle(bool) {
    if (!WriteHeader()) ReportError();
}

// Rewrites the header for the data so far and returns to the end of the file.
bool WavFileSink::WriteHeader() {
    uint8_t header[kWavHeaderBytes] = {'R', 'I', 'F', 'F', 0, 0, 0,   0,   'W', 'A', 'V', 'E', 'f', 'm', 't',
                                       ' ', 16,  0,   0,   0, 0, 0,   0,   0,   0,   0,   0,   0,   0,   0,
                                       0,   0,   0,   0,   0, 0, 'd', 'a', 't', 'a', 0,   0,   0,   0};
    PutLe(header + 4, kWavHeaderBytes - 8 + data_bytes_, 4);
    PutLe(header + 20, format_.format_tag, 2);
    PutLe(header + 22, format_.channels, 2);
    PutLe(header + 24, format_.samples_per_sec, 4);
    PutLe(header + 28, format_.avg_bytes_per_sec, 4);
    PutLe(header + 32, format_.block_align, 2);
    PutLe(header + 34, format_.bits_per_sample, 2);
    PutLe(header + 40, data_bytes_, 4);
    return std::fseek(file_, 0, SEEK_SET) == 0 &&
           std::fwrite(header, 1, sizeof header, file_) == sizeof header &&
           std::fseek(file_, 0, SEEK_END) == 0 && std::fflush(file_) == 0;
}

// The device's thread cannot return an error: tell the person at the terminal, once.
void WavFileSink::ReportError() {
    if (failed_) return;
    failed_ = true;
    std::cerr << player_texts::kProgram << ": " << player_texts::FileError(path_, std::strerror(errno))
              << '\n';
}
