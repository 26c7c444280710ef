#pragma once
// The ADPCM wave voice: up to 255 waves decoded at load into 16-bit samples, one voice that plays one wave
// at a time, resampled to 22050 frames per second and mixed into the FM output.

#include <array>
#include <cstdint>
#include <memory>

namespace cantavo {

struct AdpcmWave {
    uint32_t rate = 0;                   // Hz
    std::unique_ptr<int16_t[]> samples;  // null when the entry is empty
    uint32_t count = 0;                  // samples; 2 per ADPCM byte
};

struct AdpcmVoice {
    uint32_t rate = 0;                 // Hz
    uint32_t wave = 0;                 // index of the playing entry
    const int16_t* samples = nullptr;  // the playing entry's samples
    uint32_t count = 0;
    uint32_t increment = 0;  // 20.12 fixed point, samples per output frame
    uint32_t position = 0;   // 20.12 fixed point sample position
    uint32_t gain = 0;       // Q15
    uint8_t stopped = 1;     // 1 = silent
    int8_t starts = 0;       // starts of the playing wave not yet matched by a stop
};

class CAdpcmPlayer {
public:
    static constexpr uint32_t kWaveSlots = 256;       // index 0 is never a wave
    static constexpr uint32_t kFirstFreeChoice = 63;  // LoadWave(0, ...) picks from here up

    CAdpcmPlayer() = default;
    CAdpcmPlayer(const CAdpcmPlayer&) = delete;
    CAdpcmPlayer& operator=(const CAdpcmPlayer&) = delete;

    // Decodes `length` ADPCM bytes into entry `index` (0 = the first empty entry from 63 up). Returns the
    // index used, or 0 when the index is out of range or no entry is free.
    uint32_t LoadWave(uint32_t index, const uint8_t* data, uint32_t length, uint32_t rate);
    // Frees entry `index`; 0 frees every entry.
    void FreeWave(uint32_t index);

    void StartWave(uint32_t voice, uint32_t index);
    void StopWave(uint32_t voice);
    void SetWaveVolume(uint32_t voice, uint8_t attenuation);

    // Adds the voice to `count` interleaved stereo frames (left, right) already in `frames`, clamping to
    // -32767..32767. Returns 1 when the voice is silent.
    uint8_t MixInto(int16_t* frames, uint32_t count);

    const AdpcmWave& Wave(uint32_t index) const { return m_waves[index]; }
    const AdpcmVoice& Voice() const { return m_voice; }

private:
    // Silences the voice when it plays entry `index`, before that entry's samples go away.
    void ForgetWave(uint32_t index);
    int32_t NextSample();

    std::array<AdpcmWave, kWaveSlots> m_waves;
    AdpcmVoice m_voice;
};

}  // namespace cantavo
