#pragma once
// A sequencer target that records what the sequencer asks of the sound device.

#include <cstdint>
#include <vector>

#include "engine/sequencer_target.h"

namespace cantavo {

struct RecordedWave {
    uint8_t wave;
    std::vector<uint8_t> data;
    uint32_t rate;
};

class CRecordingTarget final : public CSequencerTarget {
public:
    void ProcessMessage(const uint8_t* bytes, uint32_t length) override {
        messages.emplace_back(bytes, bytes + length);
    }
    void SetSongVoice(const uint8_t* song_voice) override {
        song_voices.emplace_back(song_voice, song_voice + 26);
    }
    void LoadSongWave(uint8_t wave, const uint8_t* data, uint32_t size, uint32_t rate) override {
        waves.push_back({wave, std::vector<uint8_t>(data, data + size), rate});
    }
    void StopWaveVoice() override { ++wave_stops; }
    void KeyOffRegisterNotes() override { ++register_key_offs; }
    void Render(int16_t* frames, uint32_t count) override {
        std::fill(frames, frames + 2 * count, int16_t{0});
        rendered_frames.push_back(count);
    }

    std::vector<std::vector<uint8_t>> messages;
    std::vector<std::vector<uint8_t>> song_voices;
    std::vector<RecordedWave> waves;
    std::vector<uint32_t> rendered_frames;
    int wave_stops = 0;
    int register_key_offs = 0;
};

}  // namespace cantavo
