// SMAF songs made for the player's tests and benchmarks with the project's SMAF writer.
#pragma once

#include <cstdint>

#include "smaf_writer/smaf_writer.h"

namespace player_test {

// `channels` channels (1..16, spread over score tracks of four) each hold one note of `note_ms` on a
// 4-operator voice that sustains while the key is down; the song's last event is at `song_ms`. Ticks are 10
// ms.
smaf::Bytes SustainedChord(int channels, uint32_t note_ms, uint32_t song_ms);

}  // namespace player_test
