#pragma once
// Writes score-track and audio-track sequence data. Every event is placed `delta` ticks (of the track's
// duration timebase) after the previous one; gates are in ticks of the gate timebase.

#include <array>
#include <cstdint>

#include "smaf_writer/smaf_writer.h"

namespace cantavo::smaf {

// A duration or gate time: one byte below 128, else two bytes (up to 16511).
void AppendNumber(Bytes& out, uint32_t value);

class ScoreSequence {
public:
    // A note on track channel 0..3 (the file channel is 4 x (track - 1) + channel) with a MIDI note number;
    // an octave shift is written first when the note lies outside the channel's current octaves (or would be
    // written as the event byte 0x00).
    void Note(uint32_t delta, uint8_t channel, uint8_t note, uint32_t gate);
    // A raw note event code (bits 5-4 octave, bits 3-0 note in the octave) without any octave shift.
    void NoteCode(uint32_t delta, uint8_t channel, uint8_t code, uint32_t gate);

    void Program(uint32_t delta, uint8_t channel, uint8_t program);
    // Bank select value as written: below 0x80 a song bank 20 + value, 0x80 + k the song drum bank 30 + k.
    void BankSelect(uint32_t delta, uint8_t channel, uint8_t value);
    void OctaveShift(uint32_t delta, uint8_t channel, int8_t octaves);  // -4..4
    void Volume(uint32_t delta, uint8_t channel, uint8_t volume);
    void Pan(uint32_t delta, uint8_t channel, uint8_t pan);
    void Expression(uint32_t delta, uint8_t channel, uint8_t expression);
    void PitchBend(uint32_t delta, uint8_t channel, uint8_t msb);  // 64 = centre
    // Short forms: a 4-bit value in the control byte. (Expression 0 on channel 0 is written in the long
    // form.)
    void ShortExpression(uint32_t delta, uint8_t channel, uint8_t code);
    void ShortPitchBend(uint32_t delta, uint8_t channel, uint8_t code);  // 8 = centre
    void ShortModulation(uint32_t delta, uint8_t channel, uint8_t code);
    // An exclusive message body (FF F0 len body).
    void Exclusive(uint32_t delta, const Bytes& body);
    // A chip register write carried in an exclusive.
    void RegisterWrite(uint32_t delta, uint8_t reg, uint8_t value);
    // Time passing without an event of any effect (an FF pair that is skipped).
    void Rest(uint32_t delta);
    // The four-zero-byte end mark.
    void End();

    const Bytes& bytes() const { return m_bytes; }

private:
    void Control(uint32_t delta, uint8_t channel, uint8_t kind, uint8_t value);
    void LongControl(uint32_t delta, uint8_t channel, uint8_t number, uint8_t value);

    Bytes m_bytes;
    std::array<int8_t, 4> m_octaveShift{};
};

class AudioSequence {
public:
    // Starts wave `wave` (1..62) and stops it `gate` ticks later.
    void Wave(uint32_t delta, uint8_t wave, uint32_t gate);
    void WaveVolume(uint32_t delta, uint8_t volume);
    void End();

    const Bytes& bytes() const { return m_bytes; }

private:
    Bytes m_bytes;
};

}  // namespace cantavo::smaf
