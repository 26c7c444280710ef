// Takes sound at the pace of real time, like a sound card, handing it on to another sink (or to nothing: the
// null device).
#pragma once

#include <chrono>
#include <memory>

#include "player/wave_sink.h"

class PacedSink : public WaveSink {
public:
    PacedSink(uint32_t bytes_per_second, std::unique_ptr<WaveSink> inner = nullptr)
        : bytes_per_second_(bytes_per_second), inner_(std::move(inner)) {}
    void Start() override;
    void Consume(const uint8_t* pcm, uint32_t bytes) override;
    void Idle(bool discard) override;

private:
    uint32_t bytes_per_second_;
    std::unique_ptr<WaveSink> inner_;
    std::chrono::steady_clock::time_point started_;
    uint64_t bytes_since_start_ = 0;
};
