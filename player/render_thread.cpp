#include "player/render_thread.h"

#include <algorithm>
#include <cstdlib>

#include "engine/synth.h"
#include "engine/synth_engine.h"
#include "player/song_length.h"

namespace cantavo {
namespace {

constexpr uint32_t kLengthStepBuffers = 4;  // per step of learning a length: about a millisecond of work

uint32_t PositionMs() {
    return FramesToMs(TheSynthEngine().Position());
}

// Largest sample magnitudes of the left and right channel in 16-bit stereo.
void Peaks(const uint8_t* pcm, uint32_t bytes, uint16_t& left, uint16_t& right) {
    int32_t peak[2] = {0, 0};
    for (uint32_t i = 0; i + 1 < bytes; i += 2) {
        const auto sample = static_cast<int16_t>(pcm[i] | (pcm[i + 1] << 8));
        int32_t& side = peak[(i / 2) % 2];
        side = std::max(side, std::abs(int32_t{sample}));
    }
    left = static_cast<uint16_t>(std::min(peak[0], 32767));
    right = static_cast<uint16_t>(std::min(peak[1], 32767));
}

}  // namespace

std::unique_ptr<RenderThread> RenderThread::Open(std::string_view backend, PlaybackListener& listener,
                                                 std::string& error) {
    std::unique_ptr<RenderThread> thread(new RenderThread(listener));
    thread->m_wave = WaveOut::Open(backend, kPlayerWaveFormat, *thread, error);
    if (!thread->m_wave) return nullptr;
    // Two buffers of silence: the first one back finds nothing playing and pauses the device. The others
    // join when a song starts.
    for (int i = 0; i < 2; ++i) thread->Queue(thread->m_buffers[i]);
    thread->m_thread = std::thread([t = thread.get()] { t->Run(); });
    return thread;
}

RenderThread::RenderThread(PlaybackListener& listener)
    : m_listener(listener), m_pcm(kPlayerBuffers * kPlayerBufferBytes) {
    for (uint32_t i = 0; i < kPlayerBuffers; ++i) {
        m_buffers[i].header.buffer_length = kPlayerBufferBytes;
        m_buffers[i].header.data = m_pcm.data() + i * kPlayerBufferBytes;
    }
}

// The device goes before the buffers it may still hold.
RenderThread::~RenderThread() {
    if (m_thread.joinable()) {
        Send({.kind = Command::kQuit});
        m_thread.join();
    }
    m_wave.reset();
}

// The device's thread, or this one inside a reset: the notice only wakes the render thread, which looks at
// the buffers themselves.
void RenderThread::PostWaveDone(WaveHeader*) {
    {
        std::lock_guard lock(m_mutex);
        m_returned = true;
    }
    m_wake.notify_one();
}

void RenderThread::Send(Command command) {
    {
        std::lock_guard lock(m_mutex);
        m_commands.push_back(std::move(command));
    }
    m_wake.notify_one();
}

void RenderThread::SetData(std::vector<uint8_t> song, uint64_t data) {
    Send({.kind = Command::kData, .id = data, .song = std::move(song)});
}

void RenderThread::SetRepeat(bool repeat) {
    Send({.kind = Command::kRepeat, .flag = repeat});
}

RenderThread::StartResult RenderThread::Play(uint32_t start_ms, uint64_t play) {
    Send({.kind = Command::kPlay, .ms = start_ms, .id = play});
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [this] { return m_hasAnswer; });
    m_hasAnswer = false;
    return m_answer;
}

void RenderThread::Seek(uint32_t ms, uint64_t seek) {
    Send({.kind = Command::kSeek, .ms = ms, .id = seek});
}

void RenderThread::Pause() {
    Send({.kind = Command::kPause});
}

void RenderThread::Resume() {
    Send({.kind = Command::kResume});
}

void RenderThread::Stop() {
    Send({.kind = Command::kStop});
}

uint64_t RenderThread::UnderrunCount() const {
    return m_wave->UnderrunCount();
}

// Commands first, in order, then the buffers the device has handed back, then a step of learning the song's
// length.
void RenderThread::Run() {
    std::deque<Command> commands;
    while (true) {
        bool returned = false;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_commands.empty() || m_returned || m_length; });
            commands.swap(m_commands);
            std::swap(returned, m_returned);
        }
        for (Command& command : commands) {
            if (command.kind == Command::kQuit) {
                SynthSetData(nullptr, 0);
                m_wave->Reset();
                return;
            }
            Execute(command);
        }
        commands.clear();
        if (returned) TakeBackBuffers();
        MeasureLength();
    }
}

// The device plays the buffers in the order they were written and hands them back in that order; they are
// taken back in that order too (a notice may be one of a reset, long since dealt with). One round at most:
// a device that plays faster than real time must not keep the commands waiting.
void RenderThread::TakeBackBuffers() {
    for (uint32_t round = 0; round < kPlayerBuffers; ++round) {
        Buffer* oldest = nullptr;
        for (Buffer& buffer : m_buffers)
            if (buffer.pending && (!oldest || buffer.written < oldest->written)) oldest = &buffer;
        if (!oldest || !(oldest->header.flags & kWaveHeaderDone)) return;
        BufferDone(*oldest);
    }
    std::lock_guard lock(m_mutex);
    m_returned = true;  // more may be back
}

void RenderThread::Execute(Command& command) {
    switch (command.kind) {
        case Command::kData:
            m_data = std::move(command.song);
            m_dataId = command.id;
            m_length.reset();
            break;
        case Command::kRepeat:
            SynthSetRepeat(command.flag ? kRepeatSong : 0);
            break;
        case Command::kPlay: {
            const StartResult result = StartSong(command.ms);
            {
                std::lock_guard lock(m_mutex);
                m_answer = result;
                m_hasAnswer = true;
            }
            m_answered.notify_all();
            if (result != StartResult::kPlaying) break;
            m_play = command.id;
            m_seek = 0;
            m_playing = true;
            m_paused = false;
            FillAll(true);
            if (m_playing) m_wave->Restart();
            if (m_measured != m_dataId) {
                m_measured = m_dataId;
                m_length = std::make_unique<SongLength>(m_data, TheSynthEngine().Voices());
            }
            break;
        }
        case Command::kSeek:
            if (!m_playing) break;
            m_seek = command.id;
            if (StartSong(command.ms) != StartResult::kPlaying) EndSong();
            FillAll(false);
            if (m_playing && !m_paused) m_wave->Restart();
            break;
        case Command::kPause:
            if (!m_playing || m_paused) break;
            m_wave->Pause();
            m_paused = true;
            break;
        case Command::kResume:
            if (!m_paused) break;
            m_wave->Restart();
            m_paused = false;
            break;
        case Command::kStop:
            SynthSetData(nullptr, 0);
            m_playing = false;
            m_paused = false;
            FillAll(false);
            break;
        case Command::kQuit:
            break;
    }
}

// The song from its start, then on to ms (when not 0) as the start offset of the player does.
RenderThread::StartResult RenderThread::StartSong(uint32_t ms) {
    m_draining = false;
    SynthSetData(nullptr, 0);
    SynthSetData(m_data.data(), static_cast<uint32_t>(m_data.size()));
    if (SynthPlay() != 1) {
        SynthSetData(nullptr, 0);
        return StartResult::kNotPlayable;
    }
    if (ms != 0 && SynthSeek(ms) != 0) {
        SynthSetData(nullptr, 0);
        return StartResult::kBeyondEnd;
    }
    return StartResult::kPlaying;
}

// The song's last sound has been heard (or there is none): the engine lets the song go and the device
// rests, with silence queued.
void RenderThread::EndSong() {
    SynthSetData(nullptr, 0);
    m_playing = false;
    m_draining = false;
    m_paused = false;
    m_wave->Pause();
    m_listener.OnSongEnded(m_play);
}

// Whatever is queued goes: every buffer is filled afresh (with the song, or silence) and queued, the device
// paused meanwhile. A play starts, as it always has, after a buffer of silence, which sets it apart from
// what was heard before; a seek goes on at once.
void RenderThread::FillAll(bool lead_in) {
    m_wave->Pause();
    m_wave->Reset();
    for (Buffer& buffer : m_buffers) {
        buffer.pending = false;
        m_wave->Unprepare(buffer.header);
    }
    for (Buffer& buffer : m_buffers) {
        Fill(buffer, lead_in && &buffer == &m_buffers.front());
        Queue(buffer);
    }
}

void RenderThread::BufferDone(Buffer& buffer) {
    buffer.pending = false;
    m_wave->Unprepare(buffer.header);
    if (m_playing && buffer.heard.bytes != 0) m_listener.OnHeard(buffer.heard);
    if (m_playing && buffer.last) EndSong();
    // Stopped: the device rests with silence queued.
    if (!m_playing) m_wave->Pause();
    Fill(buffer);
    Queue(buffer);
}

// The next part of the song, or silence. When the song ends in the engine, its last sound is in the buffer
// written last before; once that one is heard, the song has ended.
void RenderThread::Fill(Buffer& buffer, bool silent) {
    uint8_t* const data = buffer.header.data;
    buffer.heard = {};
    buffer.last = false;
    const bool render = !silent && m_playing && !m_draining;
    // A render that ends the song returns 0 with what it rendered before the end still in the buffer.
    const uint32_t bytes = render ? SynthRender(data, kPlayerBufferBytes) : 0;
    std::fill(data + bytes, data + kPlayerBufferBytes, 0);
    if (bytes != 0) {
        buffer.heard = {.play = m_play, .seek = m_seek, .bytes = bytes, .position_ms = PositionMs()};
        Peaks(data, bytes, buffer.heard.peak_left, buffer.heard.peak_right);
        return;
    }
    if (!render) return;
    m_draining = true;
    Buffer* last = nullptr;
    for (Buffer& other : m_buffers)
        if (other.pending && other.heard.bytes != 0 && (!last || other.written > last->written))
            last = &other;
    if (last)
        last->last = true;
    else
        EndSong();
}

void RenderThread::Queue(Buffer& buffer) {
    buffer.pending = true;
    buffer.written = ++m_writes;
    m_wave->Prepare(buffer.header);
    m_wave->Write(buffer.header);
}

void RenderThread::MeasureLength() {
    if (!m_length || !m_length->Step(kLengthStepBuffers)) return;
    if (const std::optional<uint32_t> length = m_length->Length())
        m_listener.OnSongLength(m_measured, *length);
    m_length.reset();
}

}  // namespace cantavo
