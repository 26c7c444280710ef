// Takes sound at the pace of real time, like a sound card, handing it on to another sink (or to nothing: the
// null device).
#pragma once

#include <chrono>
#include <memory>

#include "player/wave_sink.h"

namespace cantavo {

class PacedSink : public WaveSink {
public:
    PacedSink(uint32_t bytes_per_second, std::unique_ptr<WaveSink> inner = nullptr)
        : m_bytesPerSecond(bytes_per_second), m_inner(std::move(inner)) {}
    void Start() override;
    void Consume(const uint8_t* pcm, uint32_t bytes) override;
    void Idle(bool discard) override;

private:
    uint32_t m_bytesPerSecond;
    std::unique_ptr<WaveSink> m_inner;
    std::chrono::steady_clock::time_point m_started;
    uint64_t m_bytesSinceStart = 0;
};

}  // namespace cantavo
