#include "player/wave_out.h"

#include <algorithm>
#include <cstring>

namespace cantavo {

WaveOut::WaveOut(std::unique_ptr<WaveSink> sink, WaveDoneTarget& target)
    : m_sink(std::move(sink)), m_target(target), m_thread([this] { Run(); }) {}

WaveOut::~WaveOut() {
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool WaveOut::Prepare(WaveHeader& header) {
    std::lock_guard lock(m_mutex);
    header.flags |= kWaveHeaderPrepared;
    return true;
}

bool WaveOut::Unprepare(WaveHeader& header) {
    std::lock_guard lock(m_mutex);
    if (header.flags & kWaveHeaderInQueue) return false;
    header.flags &= ~kWaveHeaderPrepared;
    return true;
}

bool WaveOut::Write(WaveHeader& header) {
    {
        std::lock_guard lock(m_mutex);
        const uint32_t flags = header.flags;
        if (!(flags & kWaveHeaderPrepared) || (flags & kWaveHeaderInQueue)) return false;
        header.flags = (flags & ~kWaveHeaderDone) | kWaveHeaderInQueue;
        header.next = nullptr;
        (m_tail ? m_tail->next : m_head) = &header;
        m_tail = &header;
    }
    m_wake.notify_all();
    return true;
}

void WaveOut::Pause() {
    std::lock_guard lock(m_mutex);
    m_paused = true;
}

void WaveOut::Restart() {
    {
        std::lock_guard lock(m_mutex);
        m_paused = false;
    }
    m_wake.notify_all();
}

void WaveOut::Reset() {
    {
        std::lock_guard lock(m_mutex);
        while (m_head) FinishHead();
        ++m_generation;
        m_discardPending = true;
    }
    m_wake.notify_all();
}

// Called with the lock held: the head buffer goes back to its owner.
void WaveOut::FinishHead() {
    WaveHeader* header = m_head;
    m_head = header->next;
    if (!m_head) m_tail = nullptr;
    header->next = nullptr;
    m_headOffset = 0;
    header->flags = (header->flags & ~kWaveHeaderInQueue) | kWaveHeaderDone;
    m_target.PostWaveDone(header);
}

// The device's thread. The sink is called without the lock, on a private copy of each slice, so the owner
// may pause, reset and write meanwhile; a reset during a slice makes the slice count for nothing.
void WaveOut::Run() {
    std::unique_lock lock(m_mutex);
    bool sink_active = false;
    while (!m_quit) {
        const bool has_work = !m_paused && m_head;
        if (m_discardPending || (sink_active && !has_work)) {
            const bool discard = m_discardPending;
            m_discardPending = false;
            sink_active = false;
            lock.unlock();
            m_sink->Idle(discard);
            lock.lock();
            continue;
        }
        if (!has_work) {
            m_wake.wait(lock);
            continue;
        }
        if (!sink_active) {
            sink_active = true;
            lock.unlock();
            m_sink->Start();
            lock.lock();
            continue;
        }
        WaveHeader* header = m_head;
        const uint32_t bytes = std::min(kChunkBytes, header->buffer_length - m_headOffset);
        if (bytes) std::memcpy(chunk_, header->data + m_headOffset, bytes);
        const uint64_t generation = m_generation;
        lock.unlock();
        m_sink->Consume(chunk_, bytes);
        lock.lock();
        if (generation != m_generation) continue;
        m_headOffset += bytes;
        if (m_headOffset < header->buffer_length) continue;
        FinishHead();
        if (!m_head && !m_paused) ++m_underruns;
    }
    if (sink_active) {
        lock.unlock();
        m_sink->Idle(true);
    }
}

}  // namespace cantavo
