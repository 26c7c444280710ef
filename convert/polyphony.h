#pragma once
// Polyphony reduction: at no time may more notes sound than the engine has voices (one per score channel, 16)
// or their operators exceed its budget (32). Where they would, notes go: those of a channel that plays
// several at once first (a chord loses an inner note before a line loses its only one), never the highest
// note of a melody channel's chord while another can go, then the quietest, then the oldest. A note that has
// not started is dropped; one that sounds already is cut short.

#include <cstdint>
#include <vector>

#include "convert/channel_mapping.h"

namespace cantavo {

inline constexpr int kEngineVoices = 16;
inline constexpr int kEngineOperators = 32;

// A note on the timebase grid with its score voice.
struct TimedNote {
    uint32_t on_ms;
    uint32_t off_ms;  // after on_ms
    uint8_t channel;  // MIDI channel
    uint8_t velocity;
    bool drum;
    uint8_t midi_key;
    ScoreVoice voice;
};

struct ReducedNotes {
    std::vector<TimedNote> notes;        // the notes kept, by start; some end earlier than they did
    std::vector<uint32_t> dropped_ms;    // when each dropped note would have started
    std::vector<uint32_t> shortened_ms;  // when each shortened note was cut short
};

// `notes` by start. Stops once `most_notes` are kept: a score holding more cannot be small enough anyway.
ReducedNotes ReducePolyphony(const std::vector<TimedNote>& notes, int voices, int operators,
                             size_t most_notes = SIZE_MAX);

}  // namespace cantavo
