#pragma once
// Note number and pitch bend to the FM block and F-number.

#include <cstdint>

namespace cantavo {

// Frequency in Hz of a note 0..127 (equal temperament around A4 = 440 Hz, one decimal).
double NoteFrequency(uint8_t note);

// Returns (block << 16) | F-number for a note, a bend range in semitones and a bend of -32768..32764
// (a full bend moves the pitch by bend_range semitones). Block 0..8, F-number 0..1023.
uint32_t NoteToBlockFnum(uint8_t note, uint8_t bend_range, int16_t bend);

}  // namespace cantavo
