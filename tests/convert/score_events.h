#pragma once
// A converted SMAF file as the engine's own sequencer sees it: the event list, and every note with the state
// its channel holds when the note starts.

#include <array>
#include <cstdint>
#include <vector>

#include "engine/seq_event.h"
#include "smaf_writer/smaf_writer.h"

namespace cantavo {

struct ParsedScore {
    bool parsed = false;
    std::vector<SeqEvent> events;                   // sorted by time, as the engine plays them
    std::vector<std::vector<uint8_t>> song_voices;  // decoded voice definitions
    uint32_t score_tracks = 0;
};

ParsedScore ParseScore(const smaf::Bytes& file);

struct PlayedNote {
    uint32_t on_ms;
    uint32_t off_ms;
    uint8_t channel;
    uint8_t key;
    // The channel's state at the note's start (the values the start of playback sets, until changed).
    uint8_t bank_lsb;
    uint8_t program;
    uint8_t volume;
    uint8_t pan;
    uint8_t expression;
    uint8_t modulation;
    uint8_t bend;  // MSB, 64 = centre
};

// The notes in the order they start.
std::vector<PlayedNote> PlayedNotes(const ParsedScore& score);

// The time of the last event (the end of the song's events).
uint32_t EndOfEvents(const ParsedScore& score);

}  // namespace cantavo
