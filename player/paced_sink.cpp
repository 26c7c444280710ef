#include "player/paced_sink.h"

#include <thread>

void PacedSink::Start() {
    if (inner_) inner_->Start();
    started_ = std::chrono::steady_clock::now();
    bytes_since_start_ = 0;
}

// Deadlines count from the start of the spell, so rounding never accumulates into drift.
void PacedSink::Consume(const uint8_t* pcm, uint32_t bytes) {
    if (inner_) inner_->Consume(pcm, bytes);
    bytes_since_start_ += bytes;
    const auto due = std::chrono::nanoseconds(bytes_since_start_ * 1'000'000'000 / bytes_per_second_);
    std::this_thread::sleep_until(started_ + due);
}

void PacedSink::Idle(bool discard) {
    if (inner_) inner_->Idle(discard);
}
