#pragma once
// The engine behind the Synth functions: the render loop over one sound device and its sequencer.

#include <cstdint>

#include "engine/sound_device.h"
#include "engine/synth.h"
#include "engine/voice_files.h"

namespace cantavo {

inline constexpr uint32_t kChunkFrames = 22;  // events are dispatched between chunks of at most this many
inline constexpr uint32_t kRepeatSong = 1;
// Every song ends: a minute after its last event it ends even while it still sounds (a note held for ever).
inline constexpr uint32_t kLongestTailFrames = 60 * kFramesPerSecond;

class CSynthEngine {
public:
    explicit CSynthEngine(VoiceFiles voices = {}) : m_voices(std::move(voices)), m_device(m_voices) {}

    void SetRepeat(uint32_t mode);
    // With repeat on, restarts the song only this many more times and then lets it end. SetRepeat lifts the
    // limit again.
    void LimitRestarts(uint32_t restarts);
    void SetData(const uint8_t* data, uint32_t length);
    int Play();
    int Seek(uint32_t ms);
    uint32_t Render(uint8_t* buffer, uint32_t bytes);

    CSoundDevice& Device() { return m_device; }
    uint32_t Position() const { return m_position; }
    // The voice files it was built with, for another engine that must sound the same.
    const VoiceFiles& Voices() const { return m_voices; }

private:
    static constexpr uint32_t kNoRestartLimit = UINT32_MAX;

    // What happens when the events are exhausted after a chunk: true to stop (the song has ended).
    bool EndOfEvents(const int16_t* chunk, uint32_t frames);

    uint32_t m_repeatMode = 0;
    uint32_t m_position = 0;  // frames since the last start or seek
    // Frames rendered since the last event was dispatched; cleared by a start, a seek and a restart.
    uint64_t m_tailFrames = 0;
    uint32_t m_restartsLeft = kNoRestartLimit;
    VoiceFiles m_voices;
    CSoundDevice m_device;
};

// The process-wide engine, constructed on first use with the voice files given to SynthSetVoiceFiles.
CSynthEngine& TheSynthEngine();

}  // namespace cantavo
