// The wave output device: the shape of the system's waveform-audio output, over a choice of backends.
//
// Buffers are prepared, written into the device's queue and played in order; each finished buffer comes back
// marked done and is announced once to the notification target, in the order the buffers were written. Pause
// holds the queue where it is, Restart continues it, Reset returns every queued buffer at once. A paused
// device stays paused across a Reset. One thread of the device's own does the playing; every other function
// is called from the owner's thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "player/wave_format.h"
#include "player/wave_sink.h"

namespace cantavo {

inline constexpr uint32_t kWaveHeaderDone = 0x01;      // returned by the device
inline constexpr uint32_t kWaveHeaderPrepared = 0x02;  // may be written
inline constexpr uint32_t kWaveHeaderInQueue = 0x10;   // owned by the device until done

// One buffer of sound. The owner keeps the bytes; from Write until the buffer is done it must not touch them.
struct WaveHeader {
    uint8_t* data = nullptr;
    uint32_t buffer_length = 0;  // bytes, whole frames
    std::atomic<uint32_t> flags = 0;
    WaveHeader* next = nullptr;  // the device's queue link
};

// Receives the done notices. PostWaveDone is called on the device's thread (or inside Reset on the caller's)
// and must only hand the notice over to the owner's thread.
class WaveDoneTarget {
public:
    virtual void PostWaveDone(WaveHeader* header) = 0;

protected:
    ~WaveDoneTarget() = default;
};

class WaveOut {
public:
    // Opens the output named by backend: "" or "portaudio" (the default output device), "null" (silent, at
    // the pace of real time), "wav:PATH" (the sound as heard into a WAV file, at the pace of real time) or
    // "wav-fast:PATH" (the same as fast as the owner refills the buffers).
    // On failure returns null with the reason in error.
    static std::unique_ptr<WaveOut> Open(std::string_view backend, const WaveFormat& format,
                                         WaveDoneTarget& target, std::string& error);
    // The backend named by the environment variable CANTAVO_AUDIO ("" when it is not set).
    static std::string BackendFromEnvironment();

    WaveOut(std::unique_ptr<WaveSink> sink, WaveDoneTarget& target);
    WaveOut(const WaveOut&) = delete;
    WaveOut& operator=(const WaveOut&) = delete;
    // Closes the device; buffers still queued are dropped without a notice.
    ~WaveOut();

    bool Prepare(WaveHeader& header);
    // Fails while the buffer is queued.
    bool Unprepare(WaveHeader& header);
    // Fails for a buffer that is not prepared or already queued.
    bool Write(WaveHeader& header);
    void Pause();
    void Restart();
    void Reset();

    // Times the queue ran dry while the device was not paused (each one an audible gap on a sound card).
    uint64_t UnderrunCount() const { return m_underruns.load(); }

private:
    static constexpr uint32_t kChunkBytes = 1024;  // the device plays in slices of 256 frames

    void Run();
    void FinishHead();

    std::unique_ptr<WaveSink> m_sink;
    WaveDoneTarget& m_target;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    WaveHeader* m_head = nullptr;
    WaveHeader* m_tail = nullptr;
    uint32_t m_headOffset = 0;  // bytes of the head buffer already played
    uint64_t m_generation = 0;  // advanced by every Reset
    bool m_paused = false;
    bool m_discardPending = false;
    bool m_quit = false;
    std::atomic<uint64_t> m_underruns = 0;
    alignas(4) uint8_t chunk_[kChunkBytes] = {};
    std::thread m_thread;
};

}  // namespace cantavo
