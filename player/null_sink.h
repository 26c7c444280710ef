// A silent sink that takes sound at the pace of real time: a device without a sound card.
#pragma once

#include <chrono>

#include "player/wave_sink.h"

class NullSink : public WaveSink {
public:
    explicit NullSink(uint32_t bytes_per_second) : bytes_per_second_(bytes_per_second) {}
    void Start() override;
    void Consume(const uint8_t* pcm, uint32_t bytes) override;
    void Idle(bool discard) override;

private:
    uint32_t bytes_per_second_;
    std::chrono::steady_clock::time_point started_;
    uint64_t bytes_since_start_ = 0;
};
