#include "player/paced_sink.h"

#include <thread>

namespace cantavo {

void PacedSink::Start() {
    if (m_inner) m_inner->Start();
    m_started = std::chrono::steady_clock::now();
    m_bytesSinceStart = 0;
}

// Deadlines count from the start of the spell, so rounding never accumulates into drift.
void PacedSink::Consume(const uint8_t* pcm, uint32_t bytes) {
    if (m_inner) m_inner->Consume(pcm, bytes);
    m_bytesSinceStart += bytes;
    const auto due = std::chrono::nanoseconds(m_bytesSinceStart * 1'000'000'000 / m_bytesPerSecond);
    std::this_thread::sleep_until(m_started + due);
}

void PacedSink::Idle(bool discard) {
    if (m_inner) m_inner->Idle(discard);
}

}  // namespace cantavo
