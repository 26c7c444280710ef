#pragma once
// SMAF chunk layout as the sequencer reads it. All numbers are big-endian.
//
//   file:         "MMMD" size(4) | chunk | chunk | ...          (the file size is not read)
//   chunk:        tag(4) size(4) body(size)
//   "MTR" n body: format(1)=0 sequence_type(1) timebase_d(1) timebase_g(1) channel_status(2) | sub-chunks
//                 "MspI" (st: and sp: points), "Mtsu" (setup data), "Mtsq" (sequence data)
//   "ATR" 0 body: format(1)=0 sequence_type(1) wave_type(1)=0x10|0x11 wave_type2(1) timebase_d(1)
//                 timebase_g(1) | sub-chunks "Atsq" (sequence data), "Awa" w (ADPCM wave w, 1..62)
//   setup data:   FF F0 len body(len) = one exclusive; FF x = a skipped pair; any other byte skipped alone
//
// A chunk whose declared size runs past its container is clipped to what is there, while the scan for the
// next header still advances by the declared size.

#include <cstdint>
#include <optional>
#include <span>

#include "engine/smaf_format.h"
#include "engine/smaf_tracks.h"

namespace cantavo {

using FileBytes = std::span<const uint8_t>;

inline constexpr uint32_t kChunkHeaderBytes = 8;

// The first four bytes are "MMMD".
bool IsSmafFile(FileBytes file);

// Milliseconds per tick of a timebase code (4 for codes not in the table).
uint32_t TimebaseMs(uint8_t code);

// Finds and takes score track "MTR" + number; nothing when it is absent, not format 0, or has no sequence.
std::optional<ScoreTrack> ReadScoreTrack(FileBytes file, uint8_t number);

// Finds and takes audio track "ATR" + 0; nothing when it is absent, refused, or has no sequence.
std::optional<AudioTrack> ReadAudioTrack(FileBytes file);

// Calls on_exclusive(FileRange body) for every exclusive message of a track's setup data, in order. Data that
// ends inside an item stops the scan.
template <typename OnExclusive>
void ScanSetupData(FileBytes file, FileRange setup, OnExclusive&& on_exclusive) {
    const uint32_t end = setup.offset + setup.size;
    uint32_t i = setup.offset;
    while (i < end) {
        if (file[i] != smaf::kEscapeEvent) {
            ++i;
            continue;
        }
        if (end - i < 2) return;
        if (file[i + 1] != smaf::kExclusiveEscape) {
            i += 2;
            continue;
        }
        if (end - i < 3) return;
        const uint32_t length = file[i + 2];
        if (end - (i + 3) < length) return;
        on_exclusive(FileRange{i + 3, length});
        i += 3 + length;
    }
}

}  // namespace cantavo
