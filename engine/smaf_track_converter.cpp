#include "engine/smaf_track_converter.h"

#include <algorithm>

#include "engine/channel_messages.h"
#include "engine/smaf_format.h"
#include "engine/voice_exclusive.h"

namespace cantavo {

using namespace smaf;

namespace {

constexpr uint8_t kTrackEndChannels = 4;
constexpr uint8_t kNoteVelocity = 127;
constexpr uint32_t kRegisterWriteBytes = 5;

constexpr uint8_t U8(int value) {
    return static_cast<uint8_t>(value);
}

// Reads sequence data up to its end; every read reports whether the bytes were there.
class SequenceReader {
public:
    SequenceReader(FileBytes file, FileRange range)
        : m_data(file.data() + range.offset), m_size(range.size) {}

    // At the end of the data or at a four-zero-byte end mark lying wholly inside it.
    bool AtEnd() const {
        if (m_at >= m_size) return true;
        return m_size - m_at >= kEndMarkBytes &&
               std::all_of(m_data + m_at, m_data + m_at + kEndMarkBytes, [](uint8_t b) { return b == 0; });
    }

    bool Byte(uint8_t& value) {
        if (m_at >= m_size) return false;
        value = m_data[m_at++];
        return true;
    }

    // A duration or gate time of one or two bytes.
    bool Number(uint32_t& value) {
        uint8_t b0 = 0;
        if (!Byte(b0)) return false;
        if (b0 < 0x80) {
            value = b0;
            return true;
        }
        uint8_t b1 = 0;
        if (!Byte(b1)) return false;
        value = ((b0 & 0x7Fu) << 7) + b1 + 128;
        return true;
    }

    // Points `body` at the next `length` bytes and skips them.
    bool Bytes(uint32_t length, const uint8_t*& body) {
        if (m_size - m_at < length) return false;
        body = m_data + m_at;
        m_at += length;
        return true;
    }

private:
    const uint8_t* m_data;
    uint32_t m_size;
    uint32_t m_at = 0;
};

uint8_t ShortExpression(uint8_t v) {
    if (v <= 1) return 0;
    if (v >= 14) return 127;
    return U8((v + 2) * 8);
}

uint8_t ShortModulation(uint8_t v) {
    if (v <= 1 || v == 15) return 0;
    if (v <= 3) return 1;
    if (v <= 7) return 32;
    if (v <= 11) return 64;
    return 96;
}

int8_t OctaveShiftOf(uint8_t value) {
    const int m = value & 0x7F;
    if (m > kLargestOctaveShift) return 0;
    return static_cast<int8_t>(value >= 0x80 ? -m : m);
}

// One control event (00 C [V]) of a score track; false when the data ends inside it.
bool ConvertControl(SequenceReader& reader, uint32_t time, uint8_t channel_base, OctaveShifts& octave_shift,
                    CEventList& events) {
    uint8_t c = 0;
    if (!reader.Byte(c)) return false;
    const uint8_t ch = U8(channel_base + (c >> 6));
    const uint8_t control = U8(kStatusControl | ch);
    const uint8_t bend = U8(kStatusPitchBend | ch);
    switch (c & kControlKindMask) {
        case kShortExpression:
            events.Append(time, PackMessage(control, kControllerExpression, ShortExpression(c & 0x0F)));
            return true;
        case kShortPitchBend:
            events.Append(time, PackMessage(bend, 0, U8((c & 0x0F) * 8)));
            return true;
        case kShortModulation:
            events.Append(time, PackMessage(control, kControllerModulation, ShortModulation(c & 0x0F)));
            return true;
        default:
            break;
    }
    uint8_t v = 0;
    if (!reader.Byte(v)) return false;
    switch (c & 0x0F) {
        case kLongProgram:
            events.Append(time, PackMessage(U8(kStatusProgram | ch), v));
            break;
        case kLongBank:
            events.Append(time, PackMessage(control, kControllerBankLsb, v >= 0x80 ? U8(v - 118) : v));
            break;
        case kLongOctaveShift:
            octave_shift[ch] = OctaveShiftOf(v);
            break;
        case kLongPitchBend:
            events.Append(time, PackMessage(bend, 0, v));
            break;
        case kLongVolume:
            events.Append(time, PackMessage(control, kControllerVolume, v));
            break;
        case kLongPan:
            events.Append(time, PackMessage(control, kControllerPan, v));
            break;
        case kLongExpression:
            events.Append(time, PackMessage(control, kControllerExpression, v));
            break;
        default:
            break;
    }
    return true;
}

// FF x [len body] of a score track; false when the data ends inside it.
bool ConvertEscape(SequenceReader& reader, uint32_t time, CEventList& events, CSequencerTarget& target) {
    uint8_t x = 0;
    if (!reader.Byte(x)) return false;
    if (x != kExclusiveEscape) return true;
    uint8_t length = 0;
    const uint8_t* body = nullptr;
    if (!reader.Byte(length) || !reader.Bytes(length, body)) return false;
    if (length >= kRegisterWriteBytes &&
        std::equal(std::begin(kRegisterWriteHead), std::end(kRegisterWriteHead), body)) {
        const uint8_t b0 = body[3];
        const uint8_t b1 = body[4];
        events.Append(time, PackMessage(kStatusRegisterWrite, U8(((b0 >> 1) & 0x40) | ((b1 >> 2) & 0x20)),
                                        b0 & 0x7F, b1 & 0x7F));
    } else {
        ApplyVoiceExclusive(body, length, target);
    }
    return true;
}

}  // namespace

void ApplyVoiceExclusive(const uint8_t* body, uint32_t length, CSequencerTarget& target) {
    if (const std::optional<SongVoice> voice = DecodeVoiceExclusive(body, length))
        target.SetSongVoice(voice->data());
}

void ConvertScoreTrack(FileBytes file, const ScoreTrack& track, OctaveShifts& octave_shift,
                       CEventList& events, CSequencerTarget& target) {
    const uint8_t channel_base = track.number == 0 ? 0 : U8(4 * (track.number - 1));
    SequenceReader reader(file, track.sequence);
    uint32_t time = 0;
    uint32_t last_note_off = 0;
    while (!reader.AtEnd()) {
        uint32_t duration = 0;
        if (!reader.Number(duration)) break;
        time += duration * track.timebase_d_ms;
        uint8_t e = 0;
        if (!reader.Byte(e)) break;
        if (e == kControlEvent) {
            if (!ConvertControl(reader, time, channel_base, octave_shift, events)) break;
        } else if (e == kEscapeEvent) {
            if (!ConvertEscape(reader, time, events, target)) break;
        } else {
            uint32_t gate = 0;
            if (!reader.Number(gate)) break;
            const uint8_t ch = U8(channel_base + (e >> 6));
            const uint8_t code = e & 0x3F;
            const int note = (code & 0x0F) + 12 * (octave_shift[ch] + (code >> 4) + kNoteCodeOctaveBase);
            const uint8_t clamped = U8(std::clamp(note, 0, 127));
            const uint32_t off_time = time + gate * track.timebase_g_ms;
            events.Append(time, PackMessage(U8(kStatusNoteOn | ch), clamped, kNoteVelocity));
            events.Append(off_time, PackMessage(U8(kStatusNoteOff | ch), clamped, kNoteVelocity));
            last_note_off = std::max(last_note_off, off_time);
        }
    }
    // The end events go to channels 0..3 whatever the track number.
    const uint32_t end_time = std::max(time, last_note_off);
    for (uint8_t k = 0; k < kTrackEndChannels; ++k)
        events.Append(end_time, PackMessage(U8(kStatusControl | k), kControllerAllSoundOff));
}

void ConvertAudioTrack(FileBytes file, const AudioTrack& track, CEventList& events) {
    SequenceReader reader(file, track.sequence);
    uint32_t time = 0;
    while (!reader.AtEnd()) {
        uint32_t duration = 0;
        if (!reader.Number(duration)) break;
        time += duration * track.timebase_d_ms;
        uint8_t e = 0;
        if (!reader.Byte(e)) break;
        if (e == kControlEvent) {
            uint8_t c = 0;
            if (!reader.Byte(c)) break;
            if (c != kWaveVolumeControl) continue;
            uint8_t v = 0;
            if (!reader.Byte(v)) break;
            events.Append(time, PackMessage(kStatusWave, kWaveVolume, 0, v));
        } else if (e == kEscapeEvent) {
            uint8_t skipped = 0;
            if (!reader.Byte(skipped)) break;
        } else {
            uint32_t gate = 0;
            if (!reader.Number(gate)) break;
            events.Append(time, PackMessage(kStatusWave, kWaveStart, 0, e));
            events.Append(time + gate * track.timebase_g_ms, PackMessage(kStatusWave, kWaveStop, 0));
        }
    }
}

}  // namespace cantavo
