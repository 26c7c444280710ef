#pragma once
// The controller streams of a song that a fit can give up, and how often each changes: per MIDI channel the
// expression (with the velocity folded into it), the modulation and the pitch bend.

#include <array>
#include <cstdint>
#include <vector>

#include "convert/midi_song.h"

namespace cantavo {

struct ControllerStream {
    uint8_t channel;
    ControlKind kind;  // kExpression, kModulation or kPitchBend
    uint32_t changes;
};

// The streams that change at all, the busiest first.
std::vector<ControllerStream> ControllerStreams(const MidiSong& song);

// Per channel, the middle of the levels its notes sound at (expression with velocity): where the expression
// stream is given up, the channel is held there.
std::array<uint8_t, kMidiChannels> TypicalExpression(const MidiSong& song);

// How the velocities of the notes reach the score.
enum class VelocityUse {
    kFull,          // every note at full velocity: nothing to carry
    kFolded,        // one velocity per channel: folded into the channel's expression
    kApproximated,  // velocities vary: approximated by expression changes before the notes
};
VelocityUse VelocityUseOf(const MidiSong& song);

}  // namespace cantavo
