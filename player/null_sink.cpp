#include "player/null_sink.h"

#include <thread>

void NullSink::Start() {
    started_ = std::chrono::steady_clock::now();
    bytes_since_start_ = 0;
}

// Deadlines count from the start of the spell, so rounding never accumulates into drift.
void NullSink::Consume(const uint8_t*, uint32_t bytes) {
    bytes_since_start_ += bytes;
    const auto due = std::chrono::nanoseconds(bytes_since_start_ * 1'000'000'000 / bytes_per_second_);
    std::this_thread::sleep_until(started_ + due);
}

void NullSink::Idle(bool) {}
