#pragma once
// Conversion of SMAF sequence data into timed events.
//
// Score track sequence data, one event after the other until four zero bytes or the end:
//   duration  event
//   duration: b0 < 0x80 -> b0;  b0 >= 0x80, b1 -> ((b0 & 0x7F) << 7) + b1 + 128   (gate times likewise)
//   event:    00 C [V]         control (C bits 7-6 channel, bits 5-4 kind, bits 3-0 value or long-form
//   number)
//             FF F0 len body   exclusive;  FF x: skipped pair
//             E gate           note (E bits 7-6 channel, bits 5-4 octave, bits 3-0 note in the octave)
// Audio track: 00 37 V (wave volume) | 00 C | FF x | E gate (wave E started, stopped after the gate).

#include <array>
#include <cstdint>

#include "engine/channel_messages.h"
#include "engine/seq_event_list.h"
#include "engine/sequencer_target.h"
#include "engine/smaf_parser.h"

namespace cantavo {

using OctaveShifts = std::array<int8_t, kChannelCount>;  // per channel, -4..4 octaves

// Appends the events of one score track; voice definitions go to target.SetSongVoice at once.
void ConvertScoreTrack(FileBytes file, const ScoreTrack& track, OctaveShifts& octave_shift,
                       CEventList& events, CSequencerTarget& target);

// Appends the events of the audio track.
void ConvertAudioTrack(FileBytes file, const AudioTrack& track, CEventList& events);

// Hands the voice definition in an exclusive body, if it is one, to target.SetSongVoice.
void ApplyVoiceExclusive(const uint8_t* body, uint32_t length, CSequencerTarget& target);

}  // namespace cantavo
