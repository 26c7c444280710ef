// SMAF songs made with the project's SMAF writer for the tests and benchmarks of the engine, the player and
// the render tool.
#pragma once

#include <cstdint>

#include "smaf_writer/smaf_writer.h"

namespace cantavo::testing {

// `channels` channels (1..16, spread over score tracks of four) each hold one note of `note_ms` on a
// 4-operator voice that sustains while the key is down; the song's last event is at `song_ms`. Ticks are 10
// ms.
smaf::Bytes SustainedChord(int channels, uint32_t note_ms, uint32_t song_ms);

// The heaviest kind of song for the synthesizer, `seconds` long: all 16 channels sound 4-operator voices
// (every connection, operator-1 feedback, tremolo and vibrato on every operator at full depth) and hold
// their notes for about two seconds each, struck again at staggered odd milliseconds, with pitch bends and
// expression changes in between; an audio track plays an ADPCM wave now and then. Ticks are 1 ms.
smaf::Bytes FullyModulatedSong(uint32_t seconds);

}  // namespace cantavo::testing
