#include "convert/score_fit.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <tuple>

#include "convert/controller_streams.h"
#include "convert/convert_texts.h"
#include "convert/polyphony.h"
#include "convert/score_builder.h"
#include "convert/text_format.h"

namespace cantavo {
namespace {

constexpr uint32_t kCoarsestFitTimebaseMs = 20;  // coarser grids blur the rhythm and save next to nothing
constexpr uint32_t kCoarsestTimebaseMs = std::end(smaf::kTimebasesMs)[-1];
constexpr int kFewestVoices = 8;
constexpr uint32_t kSmallestNoteBytes = 3;  // duration, event, gate

struct PreparedNote {
    const SongNote* note;
    ScoreVoice two_operator;
    ScoreVoice four_operator;
};

// Everything one try at the score is made of.
struct FitState {
    size_t timebase = 0;  // index into the timebases tried
    bool four_operator = false;
    size_t streams_given_up = 0;  // the busiest this many
    int polyphony = kEngineVoices;
    std::optional<uint32_t> cut_ms;
    uint32_t cut_bar = 0;
};

class CScoreFitter {
public:
    CScoreFitter(const MidiSong& song, const MidiFitOptions& options)
        : m_song(song),
          m_options(options),
          m_streams(ControllerStreams(song)),
          m_typicalExpression(TypicalExpression(song)),
          m_fourChannels(FourOperatorChannels(song, options.voices)) {
        double longest_ms = 0;
        for (const SongNote& note : song.notes) {
            const std::optional<ScoreVoice> two = VoiceOf(note, false);
            if (!two) {
                ++m_drumNotesWithoutSound;
                continue;
            }
            m_notes.push_back({&note, *two, *VoiceOf(note, true)});
            longest_ms = std::max(longest_ms, note.end_ms - note.start_ms);
        }
        // The finest timebase asked for whose longest gate holds the longest note.
        const uint32_t requested = std::clamp<uint32_t>(options.timebase_ms, 1, kCoarsestTimebaseMs);
        for (const uint32_t ms : smaf::kTimebasesMs) {
            const bool holds_longest = longest_ms <= double(kLongestScoreNumber) * ms;
            if (ms < requested || (m_timebases.empty() && !holds_longest && ms != kCoarsestTimebaseMs))
                continue;
            m_timebases.push_back(ms);
        }
        m_coarsestStep = 0;
        while (m_coarsestStep + 1 < m_timebases.size() &&
               m_timebases[m_coarsestStep + 1] <= std::max(kCoarsestFitTimebaseMs, m_timebases.front()))
            ++m_coarsestStep;
    }

    MidiFit Run() {
        MidiFit fit;
        if (m_notes.empty()) {
            fit.error = m_song.notes.empty() ? convert_text::kNoNotes : convert_text::kNoPlayableNotes;
            return fit;
        }
        FitState state;
        state.four_operator = m_fourChannels.any();
        BuiltScore built = Try(state);
        if (!built.fits && state.four_operator && m_options.voices == VoiceMode::kAuto) {
            state.four_operator = false;
            m_fourGaveWay = true;
            built = Try(state);
        }
        if (!built.fits) built = Fit(state);
        if (!built.fits) {
            fit.error = FormatText(convert_text::kNoRoom, m_options.max_bytes, built.size);
            return fit;
        }
        // A song that starts with rests can be cut before its first note: nothing would sound.
        if (NotesOf(state).empty()) {
            fit.error = FormatText(convert_text::kNoRoomForNotes, m_options.max_bytes);
            return fit;
        }
        fit.file = std::move(built.file);
        fit.report = Report(state, built);
        return fit;
    }

private:
    // The fit steps after the untouched try; leaves `state` at what fitted.
    BuiltScore Fit(FitState& state) {
        for (state.timebase = 1; state.timebase <= m_coarsestStep; ++state.timebase)
            if (BuiltScore built = Try(state); built.fits) return built;
        state.timebase = m_coarsestStep;

        for (state.streams_given_up = 1; state.streams_given_up <= m_streams.size(); ++state.streams_given_up)
            if (Try(state).fits) return Finest(state);
        state.streams_given_up = m_streams.size();

        // Only voice counts below what the song sounds at once can drop anything.
        const int peak = PeakVoices(Reduced(state, kEngineVoices).notes);
        for (state.polyphony = std::min(kEngineVoices, peak) - 1; state.polyphony >= kFewestVoices;
             --state.polyphony)
            if (Try(state).fits) return Finest(state);
        state.polyphony = peak > kFewestVoices ? kFewestVoices : kEngineVoices;

        return Cut(state);
    }

    // The latest bar line that fits, else the latest tick of the first bar that does.
    BuiltScore Cut(FitState& state) {
        const std::vector<double>& bars = m_song.bars_ms;
        const auto fits_at = [&](uint32_t bar, double ms) {
            state.cut_bar = bar;
            state.cut_ms = OnGrid(ms, Timebase(state));
            return Try(state).fits;
        };
        size_t low = 1;  // candidates: the end of bar k is bars[k]
        size_t high = bars.size();
        while (low < high) {  // the first bar end that does not fit
            const size_t middle = (low + high) / 2;
            if (fits_at(static_cast<uint32_t>(middle), bars[middle]))
                low = middle + 1;
            else
                high = middle;
        }
        if (low > 1) {
            fits_at(static_cast<uint32_t>(low - 1), bars[low - 1]);
            return Finest(state);
        }
        const uint32_t tick = Timebase(state);
        const uint32_t first_bar_end =
            bars.size() > 1 ? OnGrid(bars[1], tick) : OnGrid(m_song.length_ms, tick);
        uint32_t lo = 1;
        uint32_t hi = std::max<uint32_t>(first_bar_end / tick, 1);
        while (lo < hi) {
            const uint32_t middle = (lo + hi + 1) / 2;
            if (fits_at(0, double(middle) * tick))
                lo = middle;
            else
                hi = middle - 1;
        }
        if (!fits_at(0, double(lo) * tick)) return Try(state);
        return Finest(state);
    }

    // The finest timebase at which the state's other choices still fit.
    BuiltScore Finest(FitState& state) {
        const size_t coarse = state.timebase;
        for (state.timebase = 0; state.timebase < coarse; ++state.timebase)
            if (BuiltScore built = Try(state); built.fits) return built;
        state.timebase = coarse;
        return Try(state);
    }

    uint32_t Timebase(const FitState& state) const { return m_timebases[state.timebase]; }

    // The most notes sounding at once.
    static int PeakVoices(const std::vector<TimedNote>& notes) {
        std::vector<std::pair<uint32_t, int>> edges;  // at one time, ends (-1) before starts (+1)
        for (const TimedNote& note : notes) {
            edges.emplace_back(note.on_ms, 1);
            edges.emplace_back(note.off_ms, -1);
        }
        std::sort(edges.begin(), edges.end());
        int sounding = 0;
        int peak = 0;
        for (const auto& edge : edges) peak = std::max(peak, sounding += edge.second);
        return peak;
    }

    std::vector<TimedNote> Quantise(uint32_t timebase, bool four_operator) const {
        std::vector<TimedNote> notes;
        notes.reserve(m_notes.size());
        for (const PreparedNote& prepared : m_notes) {
            const SongNote& note = *prepared.note;
            const uint32_t on = OnGrid(note.start_ms, timebase);
            const uint32_t off =
                std::clamp(OnGrid(note.end_ms, timebase), on + timebase, on + kLongestScoreNumber * timebase);
            const bool four = four_operator && m_fourChannels[note.channel] && !note.drum;
            notes.push_back({on, off, note.channel, note.velocity, note.drum, note.key,
                             four ? prepared.four_operator : prepared.two_operator});
        }
        return notes;
    }

    const ReducedNotes& Reduced(const FitState& state, int polyphony) {
        const auto key = std::make_tuple(state.timebase, polyphony, state.four_operator);
        auto found = m_reduced.find(key);
        if (found == m_reduced.end()) {
            const size_t most_notes = m_options.max_bytes / kSmallestNoteBytes + 1;
            found = m_reduced
                        .emplace(key, ReducePolyphony(Quantise(Timebase(state), state.four_operator),
                                                      polyphony, kEngineOperators, most_notes))
                        .first;
        }
        return found->second;
    }

    std::vector<TimedNote> NotesOf(const FitState& state) {
        std::vector<TimedNote> notes = Reduced(state, state.polyphony).notes;
        if (!state.cut_ms) return notes;
        const uint32_t cut = *state.cut_ms;
        std::erase_if(notes, [cut](const TimedNote& note) { return note.on_ms >= cut; });
        for (TimedNote& note : notes) note.off_ms = std::min(note.off_ms, cut);
        return notes;
    }

    ScorePlan PlanOf(const FitState& state, const std::vector<TimedNote>& notes) const {
        ScorePlan plan;
        plan.timebase_ms = Timebase(state);
        plan.byte_limit = m_options.max_bytes;
        if (state.cut_ms) {
            plan.end_ms = *state.cut_ms;
        } else {
            plan.end_ms = OnGrid(m_song.length_ms, plan.timebase_ms);
            for (const TimedNote& note : notes) plan.end_ms = std::max(plan.end_ms, note.off_ms);
        }
        plan.expression_level = m_typicalExpression;
        for (size_t i = 0; i < state.streams_given_up; ++i) {
            const ControllerStream& stream = m_streams[i];
            if (stream.kind == ControlKind::kExpression) plan.expression_held.set(stream.channel);
            if (stream.kind == ControlKind::kModulation) plan.modulation_dropped.set(stream.channel);
            if (stream.kind == ControlKind::kPitchBend) plan.bend_stepped.set(stream.channel);
        }
        return plan;
    }

    BuiltScore Try(const FitState& state) {
        const std::vector<TimedNote> notes = NotesOf(state);
        return BuildScore(notes, m_song.controls, PlanOf(state, notes));
    }

    // How many of `times` lie before the cut.
    static uint32_t Before(const std::vector<uint32_t>& times, const std::optional<uint32_t>& cut) {
        if (!cut) return static_cast<uint32_t>(times.size());
        return static_cast<uint32_t>(
            std::count_if(times.begin(), times.end(), [&](uint32_t t) { return t < *cut; }));
    }

    // The steps in effect in what fitted, in their order.
    std::vector<FitStep> StepsOf(const FitState& state) const {
        std::vector<FitStep> steps;
        if (state.timebase > 0) steps.push_back(FitStep::kCoarserTimebase);
        if (state.streams_given_up > 0) steps.push_back(FitStep::kControllers);
        if (state.polyphony < kEngineVoices) steps.push_back(FitStep::kPolyphony);
        if (state.cut_ms) steps.push_back(FitStep::kCut);
        return steps;
    }

    MidiReport Report(const FitState& state, const BuiltScore& built) {
        MidiReport report;
        report.format = m_song.format;
        report.tracks = m_song.tracks;
        report.division = m_song.division;
        report.notes = static_cast<uint32_t>(m_song.notes.size());
        report.requested_timebase_ms = m_timebases.front();
        report.timebase_ms = Timebase(state);
        report.score_tracks = built.tracks;
        report.four_operator_gave_way = m_fourGaveWay;
        report.four_operator_programs = built.four_operator_programs;
        report.velocity = VelocityUseOf(m_song);
        report.drum_notes_without_sound = m_drumNotesWithoutSound;
        report.steps = StepsOf(state);
        report.polyphony = state.polyphony;

        const std::vector<TimedNote> notes = NotesOf(state);
        std::set<uint8_t> programs, drums;
        for (const TimedNote& note : notes) (note.drum ? drums : programs).insert(note.voice.program);
        report.melody_programs = static_cast<uint32_t>(programs.size());
        report.drum_sounds = static_cast<uint32_t>(drums.size());
        for (const PreparedNote& prepared : m_notes)
            if (prepared.note->end_ms - prepared.note->start_ms >
                double(kLongestScoreNumber) * Timebase(state))
                ++report.notes_too_long;

        const ReducedNotes& engine = Reduced(state, kEngineVoices);
        const ReducedNotes& fitted = Reduced(state, state.polyphony);
        report.dropped_above_engine = Before(engine.dropped_ms, state.cut_ms);
        report.shortened_above_engine = Before(engine.shortened_ms, state.cut_ms);
        const auto more = [](uint32_t fitted_count, uint32_t engine_count) {
            return fitted_count > engine_count ? fitted_count - engine_count : 0;
        };
        report.dropped_to_fit = more(Before(fitted.dropped_ms, state.cut_ms), report.dropped_above_engine);
        report.shortened_to_fit =
            more(Before(fitted.shortened_ms, state.cut_ms), report.shortened_above_engine);

        for (size_t i = 0; i < state.streams_given_up; ++i) {
            const ControllerStream& stream = m_streams[i];
            const auto& counts = stream.kind == ControlKind::kPitchBend    ? built.written.bend
                                 : stream.kind == ControlKind::kModulation ? built.written.modulation
                                                                           : built.written.expression;
            report.given_up.push_back({stream, counts[stream.channel]});
        }
        if (state.cut_ms)
            report.cut = MidiCut{state.cut_bar, *state.cut_ms, static_cast<uint32_t>(notes.size())};

        report.damage = m_song.damage;
        report.events_after_limit = m_song.events_after_limit;
        report.unknown_bank = m_song.unknown_bank;
        report.wide_bend = m_song.wide_bend;
        return report;
    }

    const MidiSong& m_song;
    const MidiFitOptions m_options;
    const std::vector<ControllerStream> m_streams;
    const std::array<uint8_t, kMidiChannels> m_typicalExpression;
    const std::bitset<kMidiChannels> m_fourChannels;
    std::vector<PreparedNote> m_notes;
    uint32_t m_drumNotesWithoutSound = 0;
    bool m_fourGaveWay = false;
    std::vector<uint32_t> m_timebases;  // the ones tried, finest first
    size_t m_coarsestStep = 0;          // the coarsest the first fit step goes to
    std::map<std::tuple<size_t, int, bool>, ReducedNotes> m_reduced;
};

}  // namespace

MidiFit FitMidiSong(const MidiSong& song, const MidiFitOptions& options) {
    return CScoreFitter(song, options).Run();
}

}  // namespace cantavo
