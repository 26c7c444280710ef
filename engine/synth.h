// The engine's host boundary: give it the bytes of a SMAF file, ask for PCM.
//
// All functions work on one process-wide engine, constructed on the first call of any of them. Output is
// 22050 frames per second, 16-bit signed little-endian stereo, left sample first (4 bytes per frame).
// Not thread-safe: call every function from the same thread.
#pragma once

#include <cstdint>

#include "engine/voice_files.h"

namespace cantavo {

// The output format. Every synthesizer constant assumes this rate.
inline constexpr uint32_t kFramesPerSecond = 22050;
inline constexpr uint32_t kChannelsPerFrame = 2;  // left, right
inline constexpr uint32_t kBytesPerFrame = 4;     // 16-bit left, 16-bit right

// ms = frames x 1000 / 22050 and frames = ms x 22050 / 1000, truncated, exact for every 32-bit value (a time
// beyond 2^32 ms keeps its low 32 bits).
constexpr uint32_t FramesToMs(uint64_t frames) {
    return static_cast<uint32_t>(frames * 1000 / kFramesPerSecond);
}
constexpr uint64_t MsToFrames(uint32_t ms) {
    return uint64_t{ms} * kFramesPerSecond / 1000;
}

// The voice data files ma2voice.vma and ma2voice.adp; without them the engine plays with its built-in banks.
// They are taken in when the engine is constructed, so call this before any other Synth function. A call
// after that has no effect.
void SynthSetVoiceFiles(VoiceFiles voices);

// 1 = loop the song when its events are exhausted; any other value = stop at the end.
void SynthSetRepeat(uint32_t mode);

// Appends data to the engine's copy of the file (pieces are concatenated). A null pointer or a length of 0
// stops playback and releases the file.
void SynthSetData(const uint8_t* data, uint32_t length);

// Parses the file and starts it from the beginning. 1 = playing, 0 = failure (no data, not SMAF, no playable
// track, or already playing).
int SynthPlay();

// Restarts playback at ms. 0 = success (ms 0 leaves the song stopped), 1 = failure (ms lies beyond the last
// event).
int SynthSeek(uint32_t ms);

// Renders up to bytes / 4 frames into buffer and returns the bytes written; 0 at the end of the song (and for
// fewer than 4 bytes). After its last event a song ends on its first silent chunk of 22 frames, or a minute
// after that event if it never falls silent.
uint32_t SynthRender(uint8_t* buffer, uint32_t bytes);

}  // namespace cantavo
