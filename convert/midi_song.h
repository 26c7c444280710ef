#pragma once
// A MIDI file as the converter uses it: notes with their times in milliseconds, and the channel controls that
// shape them. The sustain pedal is folded into the note ends, the pitch-bend range into the bend values, and
// bank selects into the note's program and whether it is a drum note.

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "convert/midi_file_reader.h"

namespace cantavo {

inline constexpr int kMidiChannels = 16;
inline constexpr uint8_t kMidiDrumChannel = 9;  // MIDI channel 10
inline constexpr double kLongestSongMs = 60 * 60 * 1000.0;

struct SongNote {
    double start_ms;
    double end_ms;
    uint8_t channel;
    uint8_t key;
    uint8_t velocity;  // 1..127
    uint8_t program;   // the channel's program when the note starts
    bool drum;         // on a rhythm channel: the key picks the drum sound
};

enum class ControlKind : uint8_t { kVolume, kPan, kExpression, kModulation, kPitchBend };
inline constexpr int kControlKinds = 5;

struct ChannelControl {
    double ms;
    uint8_t channel;
    ControlKind kind;
    int16_t value;  // 0..127; pitch bend in cents, with the channel's bend range applied
};

struct MidiSong {
    uint16_t format = 0;
    uint16_t tracks = 0;
    uint16_t division = 0;
    std::vector<SongNote> notes;           // by start
    std::vector<ChannelControl> controls;  // by time
    std::vector<double> bars_ms;           // bar starts before the end of the song, the first at 0
    double length_ms = 0;
    // What the report has to tell about the input.
    std::string damage;                       // the file is damaged or ends early; what came before is used
    uint32_t events_after_limit = 0;          // events later than kLongestSongMs, left out
    std::bitset<kMidiChannels> unknown_bank;  // a bank select without a bank here: the General MIDI one plays
    std::bitset<kMidiChannels> wide_bend;     // bent further than the melody can bend (2 semitones)
};

MidiSong BuildMidiSong(const MidiFileContents& contents);

}  // namespace cantavo
