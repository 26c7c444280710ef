// The length of a song as the player plays it: its last event plus the tail until its sound dies away (or
// the minute after the last event). Learned by rendering the song ahead on an engine of its own, a few
// buffers at a time, so what is heard is not disturbed and the work fits between the player's refills.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/voice_files.h"

namespace cantavo {

class CSynthEngine;

class SongLength {
public:
    // Starts the song on an engine with these voices.
    SongLength(const std::vector<uint8_t>& song, const VoiceFiles& voices);
    ~SongLength();
    SongLength(const SongLength&) = delete;
    SongLength& operator=(const SongLength&) = delete;

    // Renders up to `buffers` player buffers of the song; true once its length is known (or the song does
    // not play).
    bool Step(uint32_t buffers);
    // Milliseconds; none when the song does not play.
    std::optional<uint32_t> Length() const;

private:
    std::unique_ptr<CSynthEngine> m_engine;  // null once done
    bool m_plays = false;
    uint64_t m_frames = 0;
    std::vector<uint8_t> m_buffer;
};

}  // namespace cantavo
