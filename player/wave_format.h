// What the player plays: the format record of a wave output device and the one format and buffer size the
// player uses. cantavo-render renders in the same calls, so a song ends in a file where it ends in the
// player.
#pragma once

#include <cstdint>

#include "engine/synth.h"

namespace cantavo {

// The format record of an open call.
struct WaveFormat {
    uint16_t format_tag = 0;  // 1 = PCM
    uint16_t channels = 0;
    uint32_t samples_per_sec = 0;
    uint32_t avg_bytes_per_sec = 0;
    uint16_t block_align = 0;  // bytes per frame
    uint16_t bits_per_sample = 0;
};
inline constexpr uint16_t kWaveFormatPcm = 1;

// The engine's output: 16-bit stereo PCM at 22050 Hz.
inline constexpr WaveFormat kPlayerWaveFormat{kWaveFormatPcm,   kChannelsPerFrame,
                                              kFramesPerSecond, kFramesPerSecond* kBytesPerFrame,
                                              kBytesPerFrame,   8 * kBytesPerFrame / kChannelsPerFrame};

// One SynthRender call and one wave buffer of the player: 2048 frames, about 92.9 ms.
inline constexpr uint32_t kPlayerBufferBytes = 8192;

}  // namespace cantavo
