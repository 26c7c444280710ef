#include "convert/midi_song.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "convert/tempo_map.h"

namespace cantavo {
namespace {

constexpr uint8_t kBankMsb = 0;
constexpr uint8_t kModulation = 1;
constexpr uint8_t kDataEntryMsb = 6;
constexpr uint8_t kVolume = 7;
constexpr uint8_t kPan = 10;
constexpr uint8_t kExpression = 11;
constexpr uint8_t kBankLsb = 32;
constexpr uint8_t kDataEntryLsb = 38;
constexpr uint8_t kSustain = 64;
constexpr uint8_t kNrpnLsb = 98;
constexpr uint8_t kNrpnMsb = 99;
constexpr uint8_t kRpnLsb = 100;
constexpr uint8_t kRpnMsb = 101;
constexpr uint8_t kAllSoundOff = 120;
constexpr uint8_t kResetControllers = 121;
constexpr uint8_t kAllNotesOff = 123;  // 124-127 (mode changes) end the notes too

constexpr uint8_t kPedalDown = 64;
constexpr uint8_t kNullParameter = 127;
constexpr int16_t kDefaultBendRangeCents = 200;
constexpr int16_t kMelodyBendCents = 200;
constexpr int kBendCentre = 8192;
constexpr uint8_t kGm2MelodyBank = 121;
constexpr uint8_t kGm2RhythmBank = 120;
constexpr uint8_t kXgDrumBank = 127;
constexpr int kNoNote = -1;

struct ChannelState {
    uint8_t program = 0;
    uint8_t bank_msb = 0;
    uint8_t bank_lsb = 0;
    uint8_t program_bank_msb = 0;  // the bank in force since the last program change
    uint8_t program_bank_lsb = 0;
    bool pedal = false;
    uint8_t rpn_msb = kNullParameter;
    uint8_t rpn_lsb = kNullParameter;
    int16_t bend_range_cents = kDefaultBendRangeCents;
    std::array<int, 128> sounding{};  // index of the sounding note of each key, or kNoNote
    std::array<bool, 128> held{};     // released while the pedal is down

    ChannelState() { sounding.fill(kNoNote); }
};

class CSongBuilder {
public:
    CSongBuilder(const MidiFileContents& contents, MidiSong& song)
        : m_tempo(contents.division, contents.tempos), m_song(song) {}

    void Event(const MidiChannelEvent& event, double ms) {
        const uint8_t channel = event.status & 0x0F;
        ChannelState& state = m_channels[channel];
        switch (event.status & 0xF0) {
            case kMidiNoteOn:
                if (event.data2 != 0) {
                    NoteOn(channel, event.data1, event.data2, ms);
                    break;
                }
                [[fallthrough]];
            case kMidiNoteOff:
                NoteOff(channel, event.data1, ms);
                break;
            case kMidiController:
                Controller(channel, event.data1, event.data2, ms);
                break;
            case kMidiProgram:
                state.program = event.data1;
                state.program_bank_msb = state.bank_msb;
                state.program_bank_lsb = state.bank_lsb;
                break;
            case kMidiPitchBend: {
                const int raw = event.data1 | (event.data2 << 7);
                const auto cents =
                    static_cast<int16_t>((raw - kBendCentre) * state.bend_range_cents / kBendCentre);
                if (std::abs(cents) > kMelodyBendCents) m_song.wide_bend.set(channel);
                Control(channel, ControlKind::kPitchBend, cents, ms);
                break;
            }
            default:
                break;
        }
    }

    // Notes still sounding end with the song.
    void Finish(double end_ms) {
        for (uint8_t channel = 0; channel < kMidiChannels; ++channel) EndAll(channel, end_ms);
    }

    const CTempoMap& Tempo() const { return m_tempo; }

private:
    void NoteOn(uint8_t channel, uint8_t key, uint8_t velocity, double ms) {
        ChannelState& state = m_channels[channel];
        End(channel, key, ms);  // a key struck again ends its earlier note
        const bool drum = channel == kMidiDrumChannel || state.program_bank_msb == kGm2RhythmBank ||
                          state.program_bank_msb == kXgDrumBank;
        const bool general_midi_bank =
            (state.program_bank_msb == 0 || state.program_bank_msb == kGm2MelodyBank) &&
            state.program_bank_lsb == 0;
        if (!drum && !general_midi_bank) m_song.unknown_bank.set(channel);
        state.sounding[key] = static_cast<int>(m_song.notes.size());
        state.held[key] = false;
        m_song.notes.push_back({ms, ms, channel, key, velocity, state.program, drum});
    }

    void NoteOff(uint8_t channel, uint8_t key, double ms) {
        ChannelState& state = m_channels[channel];
        if (state.sounding[key] == kNoNote) return;
        if (state.pedal) {
            state.held[key] = true;
            return;
        }
        End(channel, key, ms);
    }

    void End(uint8_t channel, uint8_t key, double ms) {
        ChannelState& state = m_channels[channel];
        if (state.sounding[key] == kNoNote) return;
        m_song.notes[state.sounding[key]].end_ms = ms;
        state.sounding[key] = kNoNote;
        state.held[key] = false;
    }

    void EndAll(uint8_t channel, double ms) {
        for (uint8_t key = 0; key < 128; ++key) End(channel, key, ms);
    }

    void ReleasePedal(uint8_t channel, double ms) {
        ChannelState& state = m_channels[channel];
        state.pedal = false;
        for (uint8_t key = 0; key < 128; ++key)
            if (state.held[key]) End(channel, key, ms);
    }

    void Control(uint8_t channel, ControlKind kind, int16_t value, double ms) {
        m_song.controls.push_back({ms, channel, kind, value});
    }

    void Controller(uint8_t channel, uint8_t number, uint8_t value, double ms) {
        ChannelState& state = m_channels[channel];
        switch (number) {
            case kBankMsb:
                state.bank_msb = value;
                break;
            case kBankLsb:
                state.bank_lsb = value;
                break;
            case kModulation:
                Control(channel, ControlKind::kModulation, value, ms);
                break;
            case kVolume:
                Control(channel, ControlKind::kVolume, value, ms);
                break;
            case kPan:
                Control(channel, ControlKind::kPan, value, ms);
                break;
            case kExpression:
                Control(channel, ControlKind::kExpression, value, ms);
                break;
            case kDataEntryMsb:
                if (state.rpn_msb == 0 && state.rpn_lsb == 0)
                    state.bend_range_cents = static_cast<int16_t>(value * 100 + state.bend_range_cents % 100);
                break;
            case kDataEntryLsb:
                if (state.rpn_msb == 0 && state.rpn_lsb == 0)
                    state.bend_range_cents =
                        static_cast<int16_t>(state.bend_range_cents / 100 * 100 + std::min<int>(value, 99));
                break;
            case kSustain:
                if (value >= kPedalDown)
                    state.pedal = true;
                else
                    ReleasePedal(channel, ms);
                break;
            case kNrpnLsb:
            case kNrpnMsb:
                state.rpn_msb = state.rpn_lsb = kNullParameter;
                break;
            case kRpnLsb:
                state.rpn_lsb = value;
                break;
            case kRpnMsb:
                state.rpn_msb = value;
                break;
            case kResetControllers:
                Control(channel, ControlKind::kExpression, 127, ms);
                Control(channel, ControlKind::kModulation, 0, ms);
                Control(channel, ControlKind::kPitchBend, 0, ms);
                ReleasePedal(channel, ms);
                state.rpn_msb = state.rpn_lsb = kNullParameter;
                break;
            default:
                if (number == kAllSoundOff || number >= kAllNotesOff) EndAll(channel, ms);
                break;
        }
    }

    CTempoMap m_tempo;
    MidiSong& m_song;
    std::array<ChannelState, kMidiChannels> m_channels;
};

}  // namespace

MidiSong BuildMidiSong(const MidiFileContents& contents) {
    MidiSong song;
    song.format = contents.format;
    song.tracks = contents.tracks;
    song.division = contents.division;
    song.damage = contents.damage;
    CSongBuilder builder(contents, song);
    const CTempoMap& tempo = builder.Tempo();
    for (const MidiChannelEvent& event : contents.events) {
        const double ms = tempo.Ms(event.tick);
        if (ms > kLongestSongMs) {
            ++song.events_after_limit;
            continue;
        }
        builder.Event(event, ms);
    }
    song.length_ms = std::min(tempo.Ms(contents.end_tick), kLongestSongMs);
    for (const SongNote& note : song.notes) song.length_ms = std::max(song.length_ms, note.start_ms);
    builder.Finish(song.length_ms);
    song.bars_ms = tempo.BarsMs(contents.time_signatures, song.length_ms);
    return song;
}

}  // namespace cantavo
