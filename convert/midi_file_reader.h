#pragma once
// Reads a Standard MIDI File into timed raw events. The only place that talks to the MIDI-file library: it
// tokenises the file (chunks, delta times, running status, system exclusive and meta events) and hands each
// event over; what it complains about is collected here instead of being printed.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cantavo {

// Channel message kinds (the status byte's high nibble).
inline constexpr uint8_t kMidiNoteOff = 0x80;
inline constexpr uint8_t kMidiNoteOn = 0x90;
inline constexpr uint8_t kMidiController = 0xB0;
inline constexpr uint8_t kMidiProgram = 0xC0;
inline constexpr uint8_t kMidiPitchBend = 0xE0;

// Channel messages (status 0x80-0xEF) in file order within a tick; a note on with velocity 0 stays as it is.
struct MidiChannelEvent {
    int64_t tick;
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
};

struct MidiTempoChange {
    int64_t tick;
    uint32_t microseconds_per_quarter;
};

struct MidiTimeSignature {
    int64_t tick;
    uint8_t numerator;
    uint8_t denominator;  // the note value of a beat: 2, 4, 8, ...
};

struct MidiFileContents {
    uint16_t format = 0;
    uint16_t tracks = 0;    // tracks read
    uint16_t division = 0;  // ticks per quarter note, or SMPTE frames (high bit set) and ticks per frame
    std::vector<MidiChannelEvent> events;  // by tick; equal ticks keep the order of the tracks in the file
    std::vector<MidiTempoChange> tempos;   // by tick
    std::vector<MidiTimeSignature> time_signatures;  // by tick
    int64_t end_tick = 0;                            // the latest end of a track
    std::string
        damage;  // the library's complaint when the file is damaged or ends early; what came before is kept
};

inline constexpr size_t kLargestMidiFileBytes = 16u << 20;

// The file starts with "MThd", or is a RIFF MIDI file ("RIFF" .... "RMID").
bool LooksLikeMidiFile(std::span<const uint8_t> bytes);

// The events of a MIDI file of format 0 or 1 with any division. Nothing (and `reason` set) when the bytes
// are not such a file or hold no track at all.
std::optional<MidiFileContents> ReadMidiFile(std::span<const uint8_t> bytes, std::string& reason);

}  // namespace cantavo
