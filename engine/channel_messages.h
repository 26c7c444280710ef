#pragma once
// The MIDI-like messages the sequencer sends the sound device, n being the channel (0..15):
//
//   8n note velocity          note off            Bn controller value   control change
//   9n note velocity          note on (0: off)    Cn program            program change
//   En bend-LSB bend-MSB      pitch bend          F0 43 79 05 7F type p6 p7 ... F7   the engine's exclusive

#include <cstdint>

namespace cantavo {

inline constexpr uint8_t kChannelCount = 16;

// Status bytes, the channel in the low nibble.
inline constexpr uint8_t kStatusNoteOff = 0x80;
inline constexpr uint8_t kStatusNoteOn = 0x90;
inline constexpr uint8_t kStatusControl = 0xB0;
inline constexpr uint8_t kStatusProgram = 0xC0;
inline constexpr uint8_t kStatusPitchBend = 0xE0;
inline constexpr uint8_t kStatusExclusive = 0xF0;
inline constexpr uint8_t kExclusiveEnd = 0xF7;

// The controller numbers the sound device acts on.
enum Controller : uint8_t {
    kControllerBankMsb = 0,
    kControllerModulation = 1,
    kControllerDataEntry = 6,
    kControllerVolume = 7,
    kControllerPan = 10,
    kControllerExpression = 11,
    kControllerBankLsb = 32,
    kControllerNoteLimit = 55,
    kControllerNrpnLsb = 98,
    kControllerNrpnMsb = 99,
    kControllerRpnLsb = 100,
    kControllerRpnMsb = 101,
    kControllerAllSoundOff = 120,
    kControllerAllNotesOff = 123,
};

inline constexpr uint8_t kMonoNoteLimit = 1;  // a note limit of 1: one note at a time, with legato

// The engine's exclusive messages: this header, the type, then its parameters from byte 6 on.
inline constexpr uint8_t kExclusiveHeader[] = {kStatusExclusive, 0x43, 0x79, 0x05, 0x7F};
inline constexpr uint32_t kExclusiveTypeAt = 5;
inline constexpr uint32_t kExclusiveParametersAt = 6;

enum ExclusiveType : uint8_t {
    kExclusiveNoteLimit = 0x00,      // channel, limit
    kExclusiveRegisterWrite = 0x03,  // packed register and value
    kExclusiveVolumeMode = 0x04,     // mode
    kExclusiveStartWave = 0x07,      // voice, wave, direct, drum bank
    kExclusiveStopWave = 0x08,       // voice
    kExclusiveWaveLevel = 0x09,      // voice, level
    kExclusiveMasterLevel = 0x0A,    // level
    kExclusiveSlotMode = 0x0B,       // mode
};

inline constexpr uint8_t kMasterLevelCentre = 64;  // the master level of no offset; a step is 0.5 dB
inline constexpr uint8_t kSlotModeByChannel = 1;   // a mono channel sounds on the slot of its own number

}  // namespace cantavo
