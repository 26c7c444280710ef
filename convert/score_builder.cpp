#include "convert/score_builder.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>

#include "smaf_writer/sequence_writer.h"

namespace cantavo {
namespace {

constexpr int kScoreChannels = 16;
constexpr int kChannelsPerTrack = 4;
constexpr int kTracks = 4;
constexpr uint32_t kFileOverhead = 8 + 8 + 5;              // "MMMD" header, "CNTI" chunk
constexpr uint32_t kTrackOverhead = 8 + 6 + 8 + 4;         // "MTR" header and fields, "Mtsq" header, end mark
constexpr uint32_t kSetupOverhead = 8;                     // "Mtsu" header
constexpr uint32_t kVoiceDefinitionBytes = 3 + 7 + 4 * 5;  // FF F0 len, long-form head, four operators
constexpr int kNone = -1;

enum Field { kBank, kProgram, kVolume, kPan, kExpression, kModulation, kBend, kFields };
using Values = std::array<uint8_t, kFields>;
constexpr Values kScoreStart = {kBankValue2Op, 0,          kScoreStartVolume, kCentrePan, kFullExpression,
                                kNoModulation, kCentreBend};

// Values the short forms carry exactly: expression 32, 40, ..., 120 and 127; bend multiples of 8 up to 120.
bool ShortExpression(uint8_t value) {
    return value == kFullExpression || (value >= 32 && value <= 120 && value % 8 == 0);
}
uint8_t ShortExpressionCode(uint8_t value) {
    return value == kFullExpression ? 14 : static_cast<uint8_t>(value / 8 - 2);
}
bool ShortBend(uint8_t value) {
    return value % 8 == 0 && value <= 120;
}

// Bytes of a control event after its duration.
uint32_t EventBytes(Field field, uint8_t value) {
    if (field == kModulation) return 2;
    if (field == kExpression && ShortExpression(value)) return 2;
    if (field == kBend && ShortBend(value)) return 2;
    return 3;
}

struct MidiChannelValues {
    uint8_t volume = kMidiStartVolume;
    uint8_t pan = kCentrePan;
    uint8_t expression = kFullExpression;
    uint8_t modulation = 0;
    int16_t bend_cents = 0;
};

struct ScoreChannel {
    Values written = kScoreStart;
    uint32_t busy_until = 0;  // the end of its note
    int playing = kNone;      // the MIDI channel of the note sounding on it
    int last = kNone;         // the MIDI channel it played for last
    uint8_t velocity = 0;
    bool drum = false;
    uint32_t free_since = 0;
};

struct TrackWriter {
    smaf::ScoreSequence sequence;
    uint32_t last_ms = 0;
    bool used = false;
};

class CScoreWriter {
public:
    // `homes`: the MIDI channels with notes, whose score channels of the same number others take last.
    CScoreWriter(const ScorePlan& plan, std::bitset<kMidiChannels> homes) : m_plan(plan), m_homes(homes) {}

    // Frees the channels whose notes have ended by `now`.
    void Release(uint32_t now) {
        for (ScoreChannel& channel : m_channels)
            if (channel.playing != kNone && channel.busy_until <= now) {
                channel.playing = kNone;
                channel.free_since = channel.busy_until;
            }
    }

    void Control(const ChannelControl& control, uint32_t now) {
        MidiChannelValues& midi = m_midi[control.channel];
        const auto value = static_cast<uint8_t>(std::clamp<int>(control.value, 0, 127));
        Field field = kVolume;
        switch (control.kind) {
            case ControlKind::kVolume:
                midi.volume = value;
                break;
            case ControlKind::kPan:
                midi.pan = value;
                field = kPan;
                break;
            case ControlKind::kExpression:
                midi.expression = value;
                field = kExpression;
                break;
            case ControlKind::kModulation:
                midi.modulation = value;
                field = kModulation;
                break;
            case ControlKind::kPitchBend:
                midi.bend_cents = control.value;
                field = kBend;
                break;
        }
        for (int s = 0; s < kScoreChannels; ++s) {
            const ScoreChannel& channel = m_channels[s];
            if (channel.playing != control.channel) continue;
            const uint8_t wanted =
                Wanted(channel.written, control.channel, channel.velocity, channel.drum)[field];
            if (channel.written[field] != wanted) Emit(s, now, field, wanted);
        }
    }

    // False once the file is known to exceed the limit.
    bool Note(const TimedNote& note) {
        const int s = ChooseChannel(note);
        if (s == kNone) return true;  // cannot happen with at most 16 notes at a time
        ScoreChannel& channel = m_channels[s];
        channel.playing = note.channel;
        channel.last = note.channel;
        channel.velocity = note.velocity;
        channel.drum = note.drum;
        channel.busy_until = note.off_ms;
        const Values wanted = Wanted(channel.written, note.channel, note.velocity, note.drum, note.voice);
        for (int field = 0; field < kFields; ++field)
            if (channel.written[field] != wanted[field]) Emit(s, note.on_ms, Field(field), wanted[field]);
        const uint32_t gate =
            std::clamp((note.off_ms - note.on_ms) / m_plan.timebase_ms, 1u, kLongestScoreNumber);
        TrackWriter& track = m_tracks[s / kChannelsPerTrack];
        track.sequence.Note(Advance(track, note.on_ms), s % kChannelsPerTrack, note.voice.key, gate);
        if (note.voice.operators == kOperators4 && !note.drum) m_fourOperator.insert(note.voice.program);
        return LowerBound() <= m_plan.byte_limit;
    }

    BuiltScore Finish() {
        BuiltScore result;
        result.written = m_counts;
        result.four_operator_programs = static_cast<uint32_t>(m_fourOperator.size());
        std::vector<smaf::Bytes> chunks;
        bool setup_placed = false;
        for (int k = 0; k < kTracks; ++k) {
            TrackWriter& track = m_tracks[k];
            if (!track.used) continue;
            if (const uint32_t rest = Advance(track, m_plan.end_ms); rest > 0) track.sequence.Rest(rest);
            track.sequence.End();
            smaf::ScoreTrackContent content;
            content.number = static_cast<uint8_t>(k + 1);
            content.timebase_d = content.timebase_g = smaf::TimebaseCode(m_plan.timebase_ms);
            content.sequence = track.sequence.bytes();
            if (!setup_placed && !m_fourOperator.empty()) {
                std::vector<smaf::Bytes> voices;
                for (const uint8_t program : m_fourOperator)
                    voices.push_back(FourOperatorVoiceDefinition(program));
                content.setup = smaf::SetupData(voices);
                setup_placed = true;
            }
            chunks.push_back(smaf::ScoreTrackChunk(content));
            ++result.tracks;
        }
        result.file = smaf::SmafFile(chunks);
        result.size = static_cast<uint32_t>(result.file.size());
        result.fits = result.size <= m_plan.byte_limit;
        if (!result.fits) result.file.clear();
        return result;
    }

    uint32_t LowerBound() const {
        uint32_t bytes = kFileOverhead;
        for (const TrackWriter& track : m_tracks)
            if (track.used) bytes += kTrackOverhead + static_cast<uint32_t>(track.sequence.bytes().size());
        if (!m_fourOperator.empty())
            bytes += kSetupOverhead + static_cast<uint32_t>(m_fourOperator.size()) * kVoiceDefinitionBytes;
        return bytes;
    }

private:
    // What a score channel holding `written` must hold to play a note of MIDI channel m with `velocity`, and
    // with `voice` when given (else with the voice it has).
    Values Wanted(const Values& written, int m, uint8_t velocity, bool drum,
                  std::optional<ScoreVoice> voice = std::nullopt) const {
        const MidiChannelValues& midi = m_midi[m];
        Values values = written;
        if (voice) {
            values[kBank] = voice->bank;
            values[kProgram] = voice->program;
        }
        values[kVolume] = midi.volume;
        values[kPan] = midi.pan;
        values[kExpression] = m_plan.expression_held[m] ? m_plan.expression_level[m]
                                                        : ExpressionWithVelocity(midi.expression, velocity);
        values[kModulation] =
            drum || m_plan.modulation_dropped[m] ? kNoModulation : ModulationCode(midi.modulation);
        values[kBend] = drum ? kCentreBend : BendValue(midi.bend_cents, m_plan.bend_stepped[m]);
        return values;
    }

    uint32_t Cost(int s, const TimedNote& note) const {
        const Values& written = m_channels[s].written;
        const Values wanted = Wanted(written, note.channel, note.velocity, note.drum, note.voice);
        uint32_t bytes = 0;
        for (int field = 0; field < kFields; ++field)
            if (written[field] != wanted[field]) bytes += 1 + EventBytes(Field(field), wanted[field]);
        return bytes;
    }

    int ChooseChannel(const TimedNote& note) const {
        int best = kNone;
        std::tuple<bool, uint32_t, bool, bool, bool, uint32_t, int> best_rank;
        for (int s = 0; s < kScoreChannels; ++s) {
            const ScoreChannel& channel = m_channels[s];
            if (channel.playing != kNone) continue;
            const std::tuple<bool, uint32_t, bool, bool, bool, uint32_t, int> rank = {
                s != note.channel && m_homes[s],
                Cost(s, note),
                channel.last != note.channel,
                s != note.channel,
                !m_tracks[s / kChannelsPerTrack].used,
                channel.free_since,
                s};
            if (best == kNone || rank < best_rank) {
                best = s;
                best_rank = rank;
            }
        }
        return best;
    }

    // Moves a track's time to `now`, writing rests for what one duration cannot span; returns the duration
    // left for the next event.
    uint32_t Advance(TrackWriter& track, uint32_t now) {
        track.used = true;
        uint32_t ticks = (now - track.last_ms) / m_plan.timebase_ms;
        track.last_ms = now;
        while (ticks > kLongestScoreNumber) {
            track.sequence.Rest(kLongestScoreNumber);
            ticks -= kLongestScoreNumber;
        }
        return ticks;
    }

    void Emit(int s, uint32_t now, Field field, uint8_t value) {
        ScoreChannel& channel = m_channels[s];
        channel.written[field] = value;
        TrackWriter& track = m_tracks[s / kChannelsPerTrack];
        const uint32_t delta = Advance(track, now);
        const auto c = static_cast<uint8_t>(s % kChannelsPerTrack);
        smaf::ScoreSequence& sequence = track.sequence;
        const int m = channel.playing;
        switch (field) {
            case kBank:
                sequence.BankSelect(delta, c, value);
                break;
            case kProgram:
                sequence.Program(delta, c, value);
                break;
            case kVolume:
                sequence.Volume(delta, c, value);
                break;
            case kPan:
                sequence.Pan(delta, c, value);
                break;
            case kExpression:
                if (ShortExpression(value))
                    sequence.ShortExpression(delta, c, ShortExpressionCode(value));
                else
                    sequence.Expression(delta, c, value);
                ++m_counts.expression[m];
                break;
            case kModulation:
                sequence.ShortModulation(delta, c, value);
                ++m_counts.modulation[m];
                break;
            case kBend:
                if (ShortBend(value))
                    sequence.ShortPitchBend(delta, c, value / 8);
                else
                    sequence.PitchBend(delta, c, value);
                ++m_counts.bend[m];
                break;
            case kFields:
                break;
        }
    }

    const ScorePlan& m_plan;
    const std::bitset<kMidiChannels> m_homes;
    std::array<ScoreChannel, kScoreChannels> m_channels{};
    std::array<MidiChannelValues, kMidiChannels> m_midi{};
    std::array<TrackWriter, kTracks> m_tracks{};
    std::set<uint8_t> m_fourOperator;
    StreamCounts m_counts;
};

}  // namespace

uint32_t OnGrid(double ms, uint32_t timebase_ms) {
    return static_cast<uint32_t>(std::llround(ms / timebase_ms)) * timebase_ms;
}

BuiltScore BuildScore(const std::vector<TimedNote>& notes, const std::vector<ChannelControl>& controls,
                      const ScorePlan& plan) {
    std::bitset<kMidiChannels> homes;
    for (const TimedNote& note : notes) homes.set(note.channel);
    CScoreWriter writer(plan, homes);
    size_t next_control = 0;
    const auto controls_until = [&](uint32_t limit_ms, bool inclusive) {
        for (; next_control < controls.size(); ++next_control) {
            const uint32_t at = OnGrid(controls[next_control].ms, plan.timebase_ms);
            if (at > limit_ms || (!inclusive && at == limit_ms)) break;
            writer.Release(at);
            writer.Control(controls[next_control], at);
        }
    };
    for (const TimedNote& note : notes) {
        controls_until(note.on_ms, true);
        writer.Release(note.on_ms);
        if (!writer.Note(note)) {
            BuiltScore over;
            over.size = writer.LowerBound();
            return over;
        }
    }
    controls_until(plan.end_ms, false);
    return writer.Finish();
}

}  // namespace cantavo
