#include "player/wave_out.h"

#include <algorithm>
#include <cstring>

WaveOut::WaveOut(std::unique_ptr<WaveSink> sink, WaveDoneTarget& target)
    : sink_(std::move(sink)), target_(target), thread_([this] { Run(); }) {}

WaveOut::~WaveOut() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

bool WaveOut::Prepare(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    header.flags |= kWaveHeaderPrepared;
    return true;
}

bool WaveOut::Unprepare(WaveHeader& header) {
    std::lock_guard lock(mutex_);
    if (header.flags & kWaveHeaderInQueue) return false;
    header.flags &= ~kWaveHeaderPrepared;
    return true;
}

bool WaveOut::Write(WaveHeader& header) {
    {
        std::lock_guard lock(mutex_);
        const uint32_t flags = header.flags;
        if (!(flags & kWaveHeaderPrepared) || (flags & kWaveHeaderInQueue)) return false;
        header.flags = (flags & ~kWaveHeaderDone) | kWaveHeaderInQueue;
        header.next = nullptr;
        (tail_ ? tail_->next : head_) = &header;
        tail_ = &header;
    }
    wake_.notify_all();
    return true;
}

void WaveOut::Pause() {
    std::lock_guard lock(mutex_);
    paused_ = true;
}

void WaveOut::Restart() {
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
    }
    wake_.notify_all();
}

void WaveOut::Reset() {
    {
        std::lock_guard lock(mutex_);
        while (head_) FinishHead();
        ++generation_;
        discard_pending_ = true;
    }
    wake_.notify_all();
}

// Called with the lock held: the head buffer goes back to its owner.
void WaveOut::FinishHead() {
    WaveHeader* header = head_;
    head_ = header->next;
    if (!head_) tail_ = nullptr;
    header->next = nullptr;
    head_offset_ = 0;
    header->flags = (header->flags & ~kWaveHeaderInQueue) | kWaveHeaderDone;
    target_.PostWaveDone(header);
}

// The device's thread. The sink is called without the lock, on a private copy of each slice, so the owner
// may pause, reset and write meanwhile; a reset during a slice makes the slice count for nothing.
void WaveOut::Run() {
    std::unique_lock lock(mutex_);
    bool sink_active = false;
    while (!quit_) {
        const bool has_work = !paused_ && head_;
        if (discard_pending_ || (sink_active && !has_work)) {
            const bool discard = discard_pending_;
            discard_pending_ = false;
            sink_active = false;
            lock.unlock();
            sink_->Idle(discard);
            lock.lock();
            continue;
        }
        if (!has_work) {
            wake_.wait(lock);
            continue;
        }
        if (!sink_active) {
            sink_active = true;
            lock.unlock();
            sink_->Start();
            lock.lock();
            continue;
        }
        WaveHeader* header = head_;
        const uint32_t bytes = std::min(kChunkBytes, header->buffer_length - head_offset_);
        if (bytes) std::memcpy(chunk_, header->data + head_offset_, bytes);
        const uint64_t generation = generation_;
        lock.unlock();
        sink_->Consume(chunk_, bytes);
        lock.lock();
        if (generation != generation_) continue;
        head_offset_ += bytes;
        if (head_offset_ < header->buffer_length) continue;
        FinishHead();
        if (!head_ && !paused_) ++underruns_;
    }
    if (sink_active) {
        lock.unlock();
        sink_->Idle(true);
    }
}
