#pragma once
// Writes SMAF files: the file chunk, score tracks and the audio track with their sub-chunks.
//   "MMMD" size | "CNTI" | "MTR" n: format 0, sequence type 0, timebases, channel status | "MspI" "Mtsu"
//   "Mtsq"
//                        | "ATR" 0: format 0, sequence type 0, wave type, 0, timebases | "Atsq" "Awa" w ...

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/smaf_format.h"

namespace cantavo::smaf {

using Bytes = std::vector<uint8_t>;

// The timebases a track can have, finest first.
inline constexpr uint32_t kTimebasesMs[] = {1, 2, 4, 5, 10, 20, 40, 50};
// The code of a timebase of kTimebasesMs (of any other, the 4 ms code).
uint8_t TimebaseCode(uint32_t ms);

void AppendBigEndian32(Bytes& out, uint32_t value);
void AppendBytes(Bytes& out, const Bytes& more);

// A chunk: 4-byte tag, big-endian body size, body.
Bytes Chunk(std::string_view tag4, const Bytes& body);
// A chunk whose tag is three letters and a number ("MTR" 1, "Awa" 5).
Bytes Chunk(std::string_view tag3, uint8_t number, const Bytes& body);

struct ScoreTrackContent {
    uint8_t number = 1;  // 0..4
    uint8_t format = 0;
    uint8_t timebase_d = kTimebase4Ms;
    uint8_t timebase_g = kTimebase4Ms;
    std::optional<Bytes> seek_phrase;  // "MspI" body
    std::optional<Bytes> setup;        // "Mtsu" body
    std::optional<Bytes> sequence;     // "Mtsq" body
};
Bytes ScoreTrackChunk(const ScoreTrackContent& track);

struct WaveContent {
    uint8_t number = 1;  // 1..62
    Bytes adpcm;
};

struct AudioTrackContent {
    uint8_t format = 0;
    uint8_t wave_type = kWaveType8000Hz;
    uint8_t timebase_d = kTimebase4Ms;
    uint8_t timebase_g = kTimebase4Ms;
    std::optional<Bytes> sequence;  // "Atsq" body
    std::vector<WaveContent> waves;
};
Bytes AudioTrackChunk(const AudioTrackContent& track);

// "MMMD" with its size around a contents-info chunk and the given chunks.
Bytes SmafFile(const std::vector<Bytes>& chunks);

// A seek-and-phrase body with "st:" and "sp:" points (each written only when given).
Bytes SeekPhrase(std::optional<uint32_t> start_point, std::optional<uint32_t> stop_point);

// Setup data holding the given exclusive bodies (FF F0 len body each; a body is at most 255 bytes).
Bytes SetupData(const std::vector<Bytes>& exclusive_bodies);

}  // namespace cantavo::smaf
