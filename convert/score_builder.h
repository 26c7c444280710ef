#pragma once
// Writes one score: the notes go onto the 16 score channels (four tracks of four), each score channel
// carrying the controls of the MIDI channel whose note it plays, and the tracks become a SMAF file.
//
// A score channel plays one note at a time and two overlapping notes on it would slur, so a note takes a
// channel that is free when it starts. Each MIDI channel of the song has the score channel of its own number;
// a note takes its own, or one that is no other MIDI channel's, before another's. Among those it takes the
// one needing the fewest bytes of control changes, then the one its MIDI channel used last, then its own,
// then one of a track already written, then the one free the longest. A control change reaches the channels
// sounding a note of its MIDI channel at once and the others when they next play for it. Every track ends at
// the end of the song, since each track's end silences channels 0-3.

#include <array>
#include <bitset>
#include <cstdint>
#include <vector>

#include "convert/midi_song.h"
#include "convert/polyphony.h"
#include "smaf_writer/smaf_writer.h"

namespace cantavo {

inline constexpr uint32_t kLongestScoreNumber = 16511;  // the largest duration or gate, in ticks

// `ms` on the timebase grid (rounded to the nearest tick).
uint32_t OnGrid(double ms, uint32_t timebase_ms);

struct ScorePlan {
    uint32_t timebase_ms = 1;
    uint32_t end_ms = 0;  // on the grid, at or after the end of the last note; later controls are left out
    std::bitset<kMidiChannels> expression_held;  // expression and velocity held at expression_level
    std::array<uint8_t, kMidiChannels> expression_level{};
    std::bitset<kMidiChannels> modulation_dropped;
    std::bitset<kMidiChannels> bend_stepped;  // bends rounded to quarter semitones
    uint32_t byte_limit = UINT32_MAX;         // writing stops once the file is known to be larger
};

// Control events written per MIDI channel.
struct StreamCounts {
    std::array<uint32_t, kMidiChannels> expression{};
    std::array<uint32_t, kMidiChannels> modulation{};
    std::array<uint32_t, kMidiChannels> bend{};
};

struct BuiltScore {
    bool fits = false;
    smaf::Bytes file;   // when it fits
    uint32_t size = 0;  // the file's size when it fits, else more than the limit
    StreamCounts written;
    uint8_t tracks = 0;
    uint32_t four_operator_programs = 0;
};

// `notes` by start, on the plan's grid, at most 16 sounding at a time; `controls` by time.
BuiltScore BuildScore(const std::vector<TimedNote>& notes, const std::vector<ChannelControl>& controls,
                      const ScorePlan& plan);

}  // namespace cantavo
