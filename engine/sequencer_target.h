#pragma once
// What the sequencer drives: the sound device. An interface so that the sequencer can be watched on its own.

#include <cstdint>

namespace cantavo {

class CSequencerTarget {
public:
    // Executes one channel message (status 0x80-0xEF) or engine exclusive (F0 43 79 05 7F type ... F7).
    virtual void ProcessMessage(const uint8_t* bytes, uint32_t length) = 0;
    // Stores a decoded 26-byte song voice in the voice table.
    virtual void SetSongVoice(const uint8_t* song_voice) = 0;
    // Replaces ADPCM wave `wave` (1..62) with `size` bytes of ADPCM data at `rate` Hz.
    virtual void LoadSongWave(uint8_t wave, const uint8_t* data, uint32_t size, uint32_t rate) = 0;
    // Silences the ADPCM voice.
    virtual void StopWaveVoice() = 0;
    // Keys off every note keyed on by a register write (they have no note record) and forgets their key bits.
    virtual void KeyOffRegisterNotes() = 0;
    // Renders `count` stereo frames (left, right) into frames.
    virtual void Render(int16_t* frames, uint32_t count) = 0;

protected:
    ~CSequencerTarget() = default;
};

}  // namespace cantavo
