// The player's render thread: the only thread that calls the engine (every Synth function) and feeds the
// wave output device, so the sound goes on whatever the window is busy with.
//
// The owner sends commands (data, repeat, play, seek, pause, resume, stop), which the thread carries out in
// order; Play waits for its answer. The device's buffers circulate between the device and the thread, which
// renders each one again as soon as the device hands it back, kPlayerBuffers ahead of what is heard. What
// has been heard, the end of a song and a song's length go back to the owner through PlaybackListener, on
// this thread.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "player/wave_out.h"

namespace cantavo {

class SongLength;

inline constexpr uint32_t kPlayerBuffers = 6;  // about 557 ms of sound queued

// One buffer of a song, heard.
struct HeardBuffer {
    uint64_t play = 0;         // the Play it belongs to
    uint64_t seek = 0;         // the Seek it belongs to (0 before any)
    uint32_t bytes = 0;        // of the song
    uint32_t position_ms = 0;  // where the song is at its end (from its start, its last seek or repeat)
    uint16_t peak_left = 0;    // largest magnitude of a sample, 0..32767
    uint16_t peak_right = 0;
};

// What the render thread reports; called on the render thread.
class PlaybackListener {
public:
    virtual void OnHeard(const HeardBuffer& heard) = 0;
    // The song of `play` has been heard to its end; the device rests.
    virtual void OnSongEnded(uint64_t play) = 0;
    // The length of the song given with `data`, in milliseconds.
    virtual void OnSongLength(uint64_t data, uint32_t length_ms) = 0;

protected:
    ~PlaybackListener() = default;
};

class RenderThread final : private WaveDoneTarget {
public:
    enum class StartResult { kPlaying, kNotPlayable, kBeyondEnd };

    // Opens the wave output `backend` (see WaveOut::Open), queues silence and starts the thread; null with
    // the reason in error when there is no device.
    static std::unique_ptr<RenderThread> Open(std::string_view backend, PlaybackListener& listener,
                                              std::string& error);
    // Silences the device and empties the engine.
    ~RenderThread();
    RenderThread(const RenderThread&) = delete;
    RenderThread& operator=(const RenderThread&) = delete;

    // The song Play starts; its length is learned once it plays, and reported with `data`.
    void SetData(std::vector<uint8_t> song, uint64_t data);
    void SetRepeat(bool repeat);
    // Starts the song at start_ms; the heard buffers carry `play`. Waits for the answer.
    StartResult Play(uint32_t start_ms, uint64_t play);
    // Jumps to ms in the song playing (paused or not); the heard buffers carry `seek`. A point beyond the
    // song's last event ends it.
    void Seek(uint32_t ms, uint64_t seek);
    void Pause();
    void Resume();
    // Drops the song and the sound queued; the device rests.
    void Stop();

    // Times the device ran dry while it was meant to be playing.
    uint64_t UnderrunCount() const;

private:
    struct Command {
        enum Kind { kData, kRepeat, kPlay, kSeek, kPause, kResume, kStop, kQuit } kind = kQuit;
        uint32_t ms = 0;
        uint64_t id = 0;
        bool flag = false;
        std::vector<uint8_t> song{};
    };
    // A device buffer and what it holds.
    struct Buffer {
        WaveHeader header;
        HeardBuffer heard;     // bytes 0: silence
        bool last = false;     // holds the song's last sound
        bool pending = false;  // written, and not yet seen back from the device
        uint64_t written = 0;  // order of writing
    };

    explicit RenderThread(PlaybackListener& listener);
    void PostWaveDone(WaveHeader* header) override;
    void Send(Command command);

    void Run();
    void Execute(Command& command);
    void TakeBackBuffers();
    void BufferDone(Buffer& buffer);
    StartResult StartSong(uint32_t ms);
    void EndSong();
    void FillAll(bool lead_in);
    void Fill(Buffer& buffer, bool silent = false);
    void Queue(Buffer& buffer);
    void MeasureLength();

    PlaybackListener& m_listener;
    std::vector<uint8_t> m_pcm;  // the buffers' sound, one after the other
    std::array<Buffer, kPlayerBuffers> m_buffers;
    std::unique_ptr<WaveOut> m_wave;
    std::vector<uint8_t> m_data;
    std::thread m_thread;

    std::mutex m_mutex;  // guards the commands, the device's notice and the answer
    std::condition_variable m_wake;
    std::deque<Command> m_commands;
    bool m_returned = false;  // the device has handed a buffer back
    std::condition_variable m_answered;
    bool m_hasAnswer = false;
    StartResult m_answer = StartResult::kNotPlayable;

    // The render thread's own.
    bool m_playing = false;   // rendering a song
    bool m_draining = false;  // the song has ended in the engine; its last sound is still queued
    bool m_paused = false;
    uint64_t m_play = 0;
    uint64_t m_seek = 0;
    uint64_t m_writes = 0;
    uint64_t m_dataId = 0;
    uint64_t m_measured = 0;  // the data whose length is known or being learned
    std::unique_ptr<SongLength> m_length;
};

}  // namespace cantavo
