#pragma once
// The codes of SMAF files, for the engine that reads them and the SMAF writer that writes them (the chunk
// layout is drawn in smaf_parser.h, the sequence data in smaf_track_converter.h).

#include <cstdint>

namespace cantavo::smaf {

// Timebase codes of a track header: milliseconds per tick.
inline constexpr uint8_t kTimebase1Ms = 0x00;
inline constexpr uint8_t kTimebase2Ms = 0x01;
inline constexpr uint8_t kTimebase4Ms = 0x02;
inline constexpr uint8_t kTimebase5Ms = 0x03;
inline constexpr uint8_t kTimebase10Ms = 0x10;
inline constexpr uint8_t kTimebase20Ms = 0x11;
inline constexpr uint8_t kTimebase40Ms = 0x12;
inline constexpr uint8_t kTimebase50Ms = 0x13;

// Wave types of the audio track header.
inline constexpr uint8_t kWaveType4000Hz = 0x10;
inline constexpr uint8_t kWaveType8000Hz = 0x11;

// Sequence data: a duration, then an event.
inline constexpr uint8_t kControlEvent = 0x00;     // 00 C [V]
inline constexpr uint8_t kEscapeEvent = 0xFF;      // FF F0 len body (an exclusive), or FF x (skipped)
inline constexpr uint8_t kExclusiveEscape = 0xF0;  // the byte after FF that starts an exclusive
inline constexpr uint32_t kEndMarkBytes = 4;       // four zero bytes end the data
inline constexpr uint32_t kLargestNumber = 16511;  // of a two-byte duration or gate: (0x7F << 7) + 0x7F + 128
// A note's code (bits 5-4 octave, 3-0 note) names octave 3 (notes 36-47) at octave 0 and no octave shift.
inline constexpr int kNoteCodeOctaveBase = 3;
inline constexpr int kLargestOctaveShift = 4;  // a channel's octave shift is -4..4

// Control byte C of a score track: bits 7-6 channel, bits 5-4 kind, bits 3-0 the value of a short form or
// the number of a long form, whose value V follows.
inline constexpr uint8_t kControlKindMask = 0x30;
inline constexpr uint8_t kShortExpression = 0x00;
inline constexpr uint8_t kShortPitchBend = 0x10;
inline constexpr uint8_t kShortModulation = 0x20;
inline constexpr uint8_t kLongControl = 0x30;
inline constexpr uint8_t kLongProgram = 0;
inline constexpr uint8_t kLongBank = 1;
inline constexpr uint8_t kLongOctaveShift = 2;
inline constexpr uint8_t kLongPitchBend = 4;
inline constexpr uint8_t kLongVolume = 7;
inline constexpr uint8_t kLongPan = 10;
inline constexpr uint8_t kLongExpression = 11;
// The audio track's only control: 00 37 V, the wave volume.
inline constexpr uint8_t kWaveVolumeControl = 0x37;

// Exclusive bodies: voice definitions (43 02 ... short form, 43 03 ... long form) and register writes.
inline constexpr uint8_t kManufacturerId = 0x43;
inline constexpr uint8_t kShortFormVoice = 0x02;
inline constexpr uint8_t kLongFormVoice = 0x03;
inline constexpr uint8_t kRegisterWriteHead[] = {kManufacturerId, 0x03, 0x90};  // then register, value

}  // namespace cantavo::smaf
