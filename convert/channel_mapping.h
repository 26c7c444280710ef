#pragma once
// How a MIDI note and its channel's controllers become what a score channel carries. In playback every score
// channel is monophonic with bank select 0x7C (song banks 20-39 by the bank value written), so:
//   melody, 2 operators   bank value 0     bank 20, a copy of the built-in General-MIDI-like voices
//   melody, 4 operators   bank value 1     bank 21, voices this converter defines from the built-in
//   4-operator
//                                          bank (setup data)
//   drums                 bank value 0x80  bank 30, a copy of the built-in drums; the program picks the drum
//                                          sound and the note plays at that sound's own pitch
// Score notes carry no velocity: it is folded into the expression, whose attenuation the engine adds to it.

#include <bitset>
#include <cstdint>
#include <optional>

#include "convert/midi_song.h"
#include "smaf_writer/smaf_writer.h"

namespace cantavo {

inline constexpr uint8_t kBankValue2Op = 0;
inline constexpr uint8_t kBankValue4Op = 1;
inline constexpr uint8_t kBankValueDrums = 0x80;
inline constexpr uint8_t kOperators2 = 2;
inline constexpr uint8_t kOperators4 = 4;

enum class VoiceMode { kTwoOperator, kFourOperator, kAuto };

struct ScoreVoice {
    uint8_t bank;  // bank value as written
    uint8_t program;
    uint8_t key;  // the note the score plays
    uint8_t operators;
};

// The voice of a note; nothing for a drum key that has no drum sound.
std::optional<ScoreVoice> VoiceOf(const SongNote& note, bool four_operators);

// The melody channels that play 4-operator voices: none, all, or (auto) those, busiest first, that keep the
// operators of all notes sounding at once within the engine's budget of 32.
std::bitset<kMidiChannels> FourOperatorChannels(const MidiSong& song, VoiceMode mode);

// The exclusive body defining the 4-operator voice of `program` in bank 21.
smaf::Bytes FourOperatorVoiceDefinition(uint8_t program);

// Channel values as the score channel holds them after the start of playback, and as a MIDI channel starts.
inline constexpr uint8_t kScoreStartVolume = 127;
inline constexpr uint8_t kMidiStartVolume = 100;
inline constexpr uint8_t kCentrePan = 64;
inline constexpr uint8_t kFullExpression = 127;
inline constexpr uint8_t kNoModulation = 0;  // short-form code
inline constexpr uint8_t kCentreBend = 64;   // long-form value

// The expression that sounds like `expression` and `velocity` together.
uint8_t ExpressionWithVelocity(uint8_t expression, uint8_t velocity);
// The short-form modulation code of a MIDI modulation depth (the engine knows five depths).
uint8_t ModulationCode(uint8_t depth);
// The long-form bend value (64 = centre, 32 per semitone, the engine's bend range being 2 semitones) of a
// bend in cents; `stepped` rounds it to a multiple of 8 (quarter semitones), which the short form carries.
uint8_t BendValue(int cents, bool stepped);

}  // namespace cantavo
