#include "smaf_writer/sequence_writer.h"

#include <algorithm>

namespace cantavo::smaf {

namespace {
constexpr uint8_t kSkippedEscape = 0x00;
constexpr uint8_t kOctavesPerCode = 4;  // note codes cover four octaves
}  // namespace

void AppendNumber(Bytes& out, uint32_t value) {
    value = std::min(value, kLargestNumber);
    if (value < 0x80) {
        out.push_back(static_cast<uint8_t>(value));
        return;
    }
    const uint32_t rest = value - 128;
    out.push_back(static_cast<uint8_t>(0x80 | (rest >> 7)));
    out.push_back(static_cast<uint8_t>(rest & 0x7F));
}

void ScoreSequence::NoteCode(uint32_t delta, uint8_t channel, uint8_t code, uint32_t gate) {
    AppendNumber(m_bytes, delta);
    m_bytes.push_back(static_cast<uint8_t>((channel << 6) | (code & 0x3F)));
    AppendNumber(m_bytes, gate);
}

void ScoreSequence::Note(uint32_t delta, uint8_t channel, uint8_t note, uint32_t gate) {
    const int octave = note / 12;
    int code_octave = octave - kNoteCodeOctaveBase - m_octaveShift[channel];
    // Code 0 on channel 0 would make the event byte 0x00, a control event.
    const bool reads_as_control = channel == 0 && code_octave == 0 && note % 12 == 0;
    if (code_octave < 0 || code_octave >= kOctavesPerCode || reads_as_control) {
        // Centre the new shift on the note, so that neighbouring notes need no further shift.
        const int shift =
            std::clamp(octave - kNoteCodeOctaveBase - 1, -kLargestOctaveShift, kLargestOctaveShift);
        OctaveShift(delta, channel, static_cast<int8_t>(shift));
        delta = 0;
        code_octave = octave - kNoteCodeOctaveBase - shift;
    }
    NoteCode(delta, channel, static_cast<uint8_t>((code_octave << 4) | (note % 12)), gate);
}

void ScoreSequence::Control(uint32_t delta, uint8_t channel, uint8_t kind, uint8_t value) {
    AppendNumber(m_bytes, delta);
    m_bytes.push_back(kControlEvent);
    m_bytes.push_back(static_cast<uint8_t>((channel << 6) | kind | (value & 0x0F)));
}

void ScoreSequence::LongControl(uint32_t delta, uint8_t channel, uint8_t number, uint8_t value) {
    Control(delta, channel, kLongControl, number);
    m_bytes.push_back(value);
}

void ScoreSequence::Program(uint32_t delta, uint8_t channel, uint8_t program) {
    LongControl(delta, channel, kLongProgram, program);
}

void ScoreSequence::BankSelect(uint32_t delta, uint8_t channel, uint8_t value) {
    LongControl(delta, channel, kLongBank, value);
}

void ScoreSequence::OctaveShift(uint32_t delta, uint8_t channel, int8_t octaves) {
    const int shift = std::clamp<int>(octaves, -kLargestOctaveShift, kLargestOctaveShift);
    m_octaveShift[channel] = static_cast<int8_t>(shift);
    LongControl(delta, channel, kLongOctaveShift, static_cast<uint8_t>(shift < 0 ? 0x80 | -shift : shift));
}

void ScoreSequence::Volume(uint32_t delta, uint8_t channel, uint8_t volume) {
    LongControl(delta, channel, kLongVolume, volume);
}

void ScoreSequence::Pan(uint32_t delta, uint8_t channel, uint8_t pan) {
    LongControl(delta, channel, kLongPan, pan);
}

void ScoreSequence::Expression(uint32_t delta, uint8_t channel, uint8_t expression) {
    LongControl(delta, channel, kLongExpression, expression);
}

void ScoreSequence::PitchBend(uint32_t delta, uint8_t channel, uint8_t msb) {
    LongControl(delta, channel, kLongPitchBend, msb);
}

void ScoreSequence::ShortExpression(uint32_t delta, uint8_t channel, uint8_t code) {
    // Codes 0 and 1 on channel 0 make the control byte 0x00: after a duration of 0, and with a duration of 0
    // following, that reads as the track's end mark. The long form says the same.
    if (channel == 0 && (code & 0x0F) <= 1) {
        Expression(delta, channel, 0);
        return;
    }
    Control(delta, channel, kShortExpression, code);
}

void ScoreSequence::ShortPitchBend(uint32_t delta, uint8_t channel, uint8_t code) {
    Control(delta, channel, kShortPitchBend, code);
}

void ScoreSequence::ShortModulation(uint32_t delta, uint8_t channel, uint8_t code) {
    Control(delta, channel, kShortModulation, code);
}

void ScoreSequence::Exclusive(uint32_t delta, const Bytes& body) {
    AppendNumber(m_bytes, delta);
    m_bytes.push_back(kEscapeEvent);
    m_bytes.push_back(kExclusiveEscape);
    m_bytes.push_back(static_cast<uint8_t>(body.size()));
    AppendBytes(m_bytes, body);
}

void ScoreSequence::RegisterWrite(uint32_t delta, uint8_t reg, uint8_t value) {
    Bytes body(std::begin(kRegisterWriteHead), std::end(kRegisterWriteHead));
    body.push_back(reg);
    body.push_back(value);
    Exclusive(delta, body);
}

void ScoreSequence::Rest(uint32_t delta) {
    AppendNumber(m_bytes, delta);
    m_bytes.push_back(kEscapeEvent);
    m_bytes.push_back(kSkippedEscape);
}

void ScoreSequence::End() {
    m_bytes.insert(m_bytes.end(), kEndMarkBytes, 0);
}

void AudioSequence::Wave(uint32_t delta, uint8_t wave, uint32_t gate) {
    AppendNumber(m_bytes, delta);
    m_bytes.push_back(wave);
    AppendNumber(m_bytes, gate);
}

void AudioSequence::WaveVolume(uint32_t delta, uint8_t volume) {
    AppendNumber(m_bytes, delta);
    m_bytes.push_back(kControlEvent);
    m_bytes.push_back(kWaveVolumeControl);
    m_bytes.push_back(volume);
}

void AudioSequence::End() {
    m_bytes.insert(m_bytes.end(), kEndMarkBytes, 0);
}

}  // namespace cantavo::smaf
