#include "player/song_length.h"

#include <algorithm>

#include "engine/synth_engine.h"
#include "player/render_thread.h"

namespace cantavo {

// In the player's buffers, so that the song ends where the player's does.
SongLength::SongLength(const std::vector<uint8_t>& song, const VoiceFiles& voices)
    : m_engine(std::make_unique<CSynthEngine>(voices)), m_buffer(kPlayerBufferBytes) {
    m_engine->SetData(song.data(), static_cast<uint32_t>(song.size()));
    m_plays = m_engine->Play() == 1;
    if (!m_plays) m_engine.reset();
}

SongLength::~SongLength() = default;

bool SongLength::Step(uint32_t buffers) {
    for (uint32_t i = 0; m_engine && i < buffers; ++i) {
        const uint32_t bytes = m_engine->Render(m_buffer.data(), kPlayerBufferBytes);
        if (bytes == 0) m_engine.reset();
        m_frames += bytes / kBytesPerFrame;
    }
    return !m_engine;
}

std::optional<uint32_t> SongLength::Length() const {
    if (!m_plays || m_engine) return std::nullopt;
    return FramesToMs(std::min<uint64_t>(m_frames, UINT32_MAX));
}

}  // namespace cantavo
