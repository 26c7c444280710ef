#pragma once
// The tracks of a parsed SMAF file as the sequencer plays them. Every record points into the sequencer's
// copy of the file by offset, so appending data to the copy never leaves a record pointing at freed bytes.

#include <cstdint>
#include <forward_list>

namespace cantavo {

// A byte range of the file copy.
struct FileRange {
    uint32_t offset = 0;
    uint32_t size = 0;  // 0 = absent
};

struct ScoreTrack {
    uint8_t number = 0;                // 0..4, from the chunk tag "MTR" + number
    FileRange setup;                   // "Mtsu"
    FileRange sequence;                // "Mtsq"
    uint32_t timebase_d_ms = 0;        // duration tick
    uint32_t timebase_g_ms = 0;        // gate tick
    uint32_t start_point = 0;          // "MspI" st:
    uint32_t stop_point = 0xFFFFFFFF;  // "MspI" sp:
};

struct WaveChunk {
    uint8_t wave = 0;  // 1..62, from the tag "Awa" + wave
    FileRange data;    // ADPCM bytes
};

struct AudioTrack {
    std::forward_list<WaveChunk> waves;  // newest chunk of the file first
    uint8_t number = 0;
    FileRange sequence;        // "Atsq"
    uint32_t sample_rate = 0;  // 4000 or 8000 Hz
    uint32_t timebase_d_ms = 0;
    uint32_t timebase_g_ms = 0;
};

}  // namespace cantavo
