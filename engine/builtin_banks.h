#pragma once
// The three voice banks built into the engine, copied into the voice table at construction.

#include <array>

#include "engine/voice_record.h"

namespace cantavo {

using VoiceBank = std::array<VoiceRecord, 128>;

// Bank 0: 2-operator melody voices by General MIDI program.
extern const VoiceBank kBuiltinMelody2Op;
// Bank 1: 4-operator melody voices by General MIDI program.
extern const VoiceBank kBuiltinMelody4Op;
// Bank 10: 2-operator drum voices by note (General MIDI drum map), each sounding at its drum_note.
extern const VoiceBank kBuiltinDrums;

}  // namespace cantavo
