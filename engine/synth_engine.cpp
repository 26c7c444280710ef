#include "engine/synth_engine.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace cantavo {
namespace {

// Most frames rendered in one span: whole chunks, so that a span divides where single chunks would.
constexpr uint32_t kSpanFrames = 2048 / kChunkFrames * kChunkFrames;

// Frames in whole chunks from `position` to the first chunk at which an event at `event_ms` (later than
// the chunk at `position`) is due: chunks start at position + 22 k, and the event is due at the first start
// p with p x 1000 / 22050 >= event_ms, that is p >= ceil(event_ms x 22050 / 1000).
uint64_t FramesBeforeDue(uint32_t position, uint32_t event_ms) {
    const uint64_t due = (uint64_t{event_ms} * kFramesPerSecond + 999) / 1000;
    return (due - position + kChunkFrames - 1) / kChunkFrames * kChunkFrames;
}

}  // namespace

void CSynthEngine::SetRepeat(uint32_t mode) {
    m_repeatMode = mode;
    m_restartsLeft = kNoRestartLimit;
}

void CSynthEngine::LimitRestarts(uint32_t restarts) {
    m_restartsLeft = restarts;
}

void CSynthEngine::SetData(const uint8_t* data, uint32_t length) {
    m_position = 0;
    m_device.Sequencer().AppendData(data, length);
}

int CSynthEngine::Play() {
    m_tailFrames = 0;
    CSmafSequencer& sequencer = m_device.Sequencer();
    if (!sequencer.Parse()) return 0;
    sequencer.Start(0);
    return 1;
}

int CSynthEngine::Seek(uint32_t ms) {
    CSmafSequencer& sequencer = m_device.Sequencer();
    m_position = 0;
    m_tailFrames = 0;
    sequencer.Stop();
    if (ms == 0) return 0;
    if (!sequencer.Start(ms)) return 1;
    m_position = static_cast<uint32_t>(MsToFrames(ms));
    return 0;
}

bool CSynthEngine::EndOfEvents(const int16_t* chunk, uint32_t frames) {
    // Only a playing song restarts; with nothing playing, repeat would render silence for ever.
    if (m_repeatMode == kRepeatSong && m_restartsLeft != 0 && m_device.Sequencer().IsPlaying()) {
        if (m_restartsLeft != kNoRestartLimit) --m_restartsLeft;
        // Notes still sounding carry over into the restart; nothing is reset.
        m_position = 0;
        m_tailFrames = 0;
        m_device.Sequencer().Rewind();
        return false;
    }
    m_tailFrames += frames;
    const bool silent = std::none_of(chunk, chunk + 2 * frames, [](int16_t sample) { return sample != 0; });
    if (!silent && m_tailFrames < kLongestTailFrames) return false;
    m_position = 0;
    m_device.Sequencer().Stop();
    return true;
}

uint32_t CSynthEngine::Render(uint8_t* buffer, uint32_t bytes) {
    const uint32_t frames = bytes / kBytesPerFrame;
    if (frames == 0) return 0;
    CSmafSequencer& sequencer = m_device.Sequencer();
    std::array<int16_t, 2 * kSpanFrames> span;
    uint32_t done = 0;
    while (true) {
        const int more = sequencer.PlayDueEvents(FramesToMs(m_position));
        // While events remain, the chunks before the next one is due are rendered in one span; after the
        // last event every chunk is looked at on its own for the end of the song.
        const uint64_t reach = more != 0 ? std::min(FramesBeforeDue(m_position, sequencer.NextEventTime()),
                                                    uint64_t{kSpanFrames})
                                         : kChunkFrames;
        const auto n = static_cast<uint32_t>(std::min(uint64_t{frames - done}, reach));
        m_device.Render(span.data(), n, kChunkFrames);
        std::memcpy(buffer + done * kBytesPerFrame, span.data(), n * kBytesPerFrame);
        done += n;
        m_position += n;
        if (more == 0 && EndOfEvents(span.data(), n)) return 0;
        if (done == frames) return done * kBytesPerFrame;
    }
}

}  // namespace cantavo
