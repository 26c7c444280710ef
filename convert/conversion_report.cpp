#include "convert/conversion_report.h"

#include <algorithm>
#include <cmath>

#include "convert/convert_texts.h"
#include "convert/text_format.h"

namespace cantavo {
namespace {

constexpr uint16_t kSmpteFlag = 0x8000;

// "1 note", "2 notes"
std::string Counted(uint32_t count, const char* const (&noun)[2]) {
    return FormatText("%u %s", count, noun[count == 1 ? 0 : 1]);
}

// "m:ss.s"
std::string Clock(double ms) {
    const auto tenths = static_cast<long>(std::lround(ms / 100));
    return FormatText("%ld:%02ld.%ld", tenths / 600, (tenths / 10) % 60, tenths % 10);
}

void Line(std::string& out, const char* label, const std::string& text) {
    out += FormatText(convert_text::kLine, label, text.c_str());
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
    return text;
}

std::string Division(uint16_t division) {
    if (division & kSmpteFlag)
        return FormatText(convert_text::kSmpteDivision, unsigned(-static_cast<int8_t>(division >> 8)),
                          unsigned(division & 0xFF));
    return FormatText(convert_text::kTicksPerQuarter, unsigned(division));
}

std::string Output(const ConversionReport& report) {
    const char* limit = !report.max_from_slot             ? convert_text::kLimitGiven
                        : report.slot == SlotKind::kAdpcm ? convert_text::kAdpcmSlot
                                                          : convert_text::kFmSlot;
    return FormatText(convert_text::kOutput, report.output_bytes, report.max_bytes, limit);
}

// "channel 3", "channels 1-4, 7, 9"
std::string Channels(std::vector<unsigned> channels) {
    std::sort(channels.begin(), channels.end());
    std::vector<std::string> runs;
    for (size_t i = 0; i < channels.size();) {
        size_t j = i;
        while (j + 1 < channels.size() && channels[j + 1] == channels[j] + 1) ++j;
        runs.push_back(j == i ? FormatText("%u", channels[i] + 1)
                              : FormatText("%u-%u", channels[i] + 1, channels[j] + 1));
        i = j + 1;
    }
    return FormatText(convert_text::kChannelList[channels.size() == 1 ? 0 : 1], Joined(runs, ", ").c_str());
}

// One entry per kind of stream, in the order they were given up.
std::vector<std::string> GivenUp(const std::vector<GivenUpStream>& given_up) {
    std::vector<std::string> entries;
    std::vector<ControlKind> kinds;
    for (const GivenUpStream& stream : given_up)
        if (std::find(kinds.begin(), kinds.end(), stream.stream.kind) == kinds.end())
            kinds.push_back(stream.stream.kind);
    for (const ControlKind kind : kinds) {
        std::vector<unsigned> channels;
        uint32_t changes = 0;
        uint32_t written = 0;
        for (const GivenUpStream& stream : given_up) {
            if (stream.stream.kind != kind) continue;
            channels.push_back(stream.stream.channel);
            changes += stream.stream.changes;
            written += stream.written;
        }
        const std::string on = Channels(channels);
        if (kind == ControlKind::kExpression)
            entries.push_back(FormatText(convert_text::kExpressionHeld, on.c_str(), changes));
        else if (kind == ControlKind::kModulation)
            entries.push_back(FormatText(convert_text::kModulationDropped, on.c_str(), changes));
        else
            entries.push_back(FormatText(convert_text::kBendStepped, on.c_str(), changes, written));
    }
    return entries;
}

const char* StepName(FitStep step) {
    switch (step) {
        case FitStep::kCoarserTimebase:
            return convert_text::kStepTimebase;
        case FitStep::kControllers:
            return convert_text::kStepControllers;
        case FitStep::kPolyphony:
            return convert_text::kStepPolyphony;
        case FitStep::kCut:
            return convert_text::kStepCut;
    }
    return "";
}

void InputNotes(std::string& out, const ConversionReport& report) {
    const MidiReport& midi = report.midi;
    if (report.kind == InputKind::kMidi) {
        if (!midi.damage.empty())
            Line(out, convert_text::kNoteLabel, FormatText(convert_text::kDamaged, midi.damage.c_str()));
        if (midi.events_after_limit > 0)
            Line(out, convert_text::kNoteLabel,
                 FormatText(convert_text::kAfterLimit, midi.events_after_limit));
        for (unsigned c = 0; c < kMidiChannels; ++c) {
            if (midi.unknown_bank[c])
                Line(out, convert_text::kNoteLabel, FormatText(convert_text::kUnknownBank, c + 1));
            if (midi.wide_bend[c])
                Line(out, convert_text::kNoteLabel, FormatText(convert_text::kWideBend, c + 1));
        }
        if (midi.drum_notes_without_sound > 0)
            Line(out, convert_text::kNoteLabel,
                 FormatText(convert_text::kDrumsWithoutSound, midi.drum_notes_without_sound));
        if (midi.notes_too_long > 0)
            Line(out, convert_text::kNoteLabel, FormatText(convert_text::kTooLong, midi.notes_too_long));
    }
    const char* kind = report.kind == InputKind::kMidi ? "MIDI" : "audio";
    for (const std::string& option : report.ignored_options)
        Line(out, convert_text::kNoteLabel, FormatText(convert_text::kIgnoredOption, option.c_str(), kind));
}

void MidiText(std::string& out, const ConversionReport& report) {
    const MidiReport& midi = report.midi;
    Line(out, convert_text::kInputLabel,
         FormatText(convert_text::kMidiInput, report.input_name.c_str(), unsigned(midi.format),
                    Counted(midi.tracks, convert_text::kTrack).c_str(), Division(midi.division).c_str(),
                    Clock(report.input_seconds * 1000).c_str(),
                    Counted(midi.notes, convert_text::kNote).c_str()));
    Line(out, convert_text::kOutputLabel,
         Output(report) + FormatText(convert_text::kScoreTracks,
                                     Counted(midi.score_tracks, convert_text::kScoreTrack).c_str()));
    Line(out, convert_text::kTimebaseLabel,
         midi.timebase_ms == midi.requested_timebase_ms
             ? FormatText(convert_text::kTimebase, midi.timebase_ms)
             : FormatText(convert_text::kTimebaseCoarser, midi.timebase_ms, midi.requested_timebase_ms));

    const std::string programs = Counted(midi.melody_programs, convert_text::kMelodyProgram);
    std::string voices =
        midi.four_operator_programs > 0
            ? FormatText(convert_text::kMelodyVoices4, programs.c_str(), midi.four_operator_programs)
            : FormatText(convert_text::kMelodyVoices2, programs.c_str());
    if (midi.four_operator_gave_way) voices += convert_text::kFourGaveWay;
    if (midi.drum_sounds > 0)
        voices += FormatText(convert_text::kDrumVoices,
                             Counted(midi.drum_sounds, convert_text::kDrumSound).c_str());
    Line(out, convert_text::kVoicesLabel, voices);
    Line(out, convert_text::kVelocityLabel,
         midi.velocity == VelocityUse::kApproximated ? convert_text::kVelocityApproximated
         : midi.velocity == VelocityUse::kFolded     ? convert_text::kVelocityFolded
                                                     : convert_text::kVelocityFull);

    std::vector<std::string> dropped;
    if (midi.dropped_above_engine + midi.shortened_above_engine > 0)
        dropped.push_back(
            FormatText(convert_text::kDroppedEngine, midi.dropped_above_engine, midi.shortened_above_engine));
    if (midi.polyphony < 16)
        dropped.push_back(FormatText(convert_text::kDroppedFit, midi.dropped_to_fit, midi.polyphony,
                                     midi.shortened_to_fit));
    Line(out, convert_text::kDroppedLabel, dropped.empty() ? convert_text::kNone : Joined(dropped, "; "));

    const std::vector<std::string> thinned = GivenUp(midi.given_up);
    Line(out, convert_text::kThinnedLabel, thinned.empty() ? convert_text::kNone : Joined(thinned, "; "));

    std::string cut = convert_text::kNone;
    if (midi.cut)
        cut = midi.cut->bar > 0 ? FormatText(convert_text::kCutAtBar, midi.cut->bar,
                                             Clock(midi.cut->ms).c_str(), midi.cut->notes_kept, midi.notes)
                                : FormatText(convert_text::kCutInFirstBar, Clock(midi.cut->ms).c_str(),
                                             midi.cut->notes_kept, midi.notes);
    Line(out, convert_text::kCutLabel, cut);

    std::vector<std::string> steps;
    for (size_t i = 0; i < midi.steps.size(); ++i)
        steps.push_back(FormatText("%zu. %s", i + 1, StepName(midi.steps[i])));
    Line(out, convert_text::kStepsLabel, steps.empty() ? convert_text::kNone : Joined(steps, "  "));
}

void AudioText(std::string& out, const ConversionReport& report) {
    const AudioReport& audio = report.audio;
    Line(out, convert_text::kInputLabel,
         FormatText(convert_text::kAudioInput, report.input_name.c_str(), audio.format.c_str(),
                    audio.input_rate, Counted(audio.input_channels, convert_text::kChannel).c_str(),
                    Clock(report.input_seconds * 1000).c_str()));
    Line(out, convert_text::kOutputLabel, Output(report));
    Line(out, convert_text::kRateLabel,
         audio.bytes_at_8000 > 0
             ? FormatText(convert_text::kRateLower, audio.sample_rate, audio.bytes_at_8000)
             : FormatText(convert_text::kRate, audio.sample_rate));
    Line(out, convert_text::kLevelLabel, FormatText(convert_text::kLevel, audio.gain_db));
    Line(out, convert_text::kCutLabel,
         audio.cut
             ? FormatText(convert_text::kAudioCut, audio.kept_seconds, report.input_seconds, audio.fade_ms)
             : std::string(convert_text::kNone));
}

}  // namespace

std::string ReportText(const ConversionReport& report) {
    std::string out;
    if (report.kind == InputKind::kMidi)
        MidiText(out, report);
    else
        AudioText(out, report);
    InputNotes(out, report);
    return out;
}

bool GaveUpAnything(const ConversionReport& report) {
    if (report.kind == InputKind::kAudio) return report.audio.cut;
    const MidiReport& midi = report.midi;
    return !midi.steps.empty() || midi.dropped_above_engine + midi.shortened_above_engine > 0 ||
           midi.drum_notes_without_sound > 0 || midi.notes_too_long > 0;
}

std::string ReportSummary(const ConversionReport& report) {
    const char* name = report.input_name.c_str();
    if (report.kind == InputKind::kAudio) {
        const AudioReport& audio = report.audio;
        const std::string kept =
            audio.cut ? FormatText(convert_text::kSummaryKept, audio.kept_seconds, report.input_seconds)
                      : std::string(convert_text::kSummaryWholeSound);
        return FormatText(convert_text::kAudioSummary, name, report.output_bytes, audio.sample_rate,
                          kept.c_str());
    }
    const MidiReport& midi = report.midi;
    std::vector<std::string> parts;
    const uint32_t dropped = midi.dropped_above_engine + midi.dropped_to_fit + midi.drum_notes_without_sound;
    const uint32_t shortened = midi.shortened_above_engine + midi.shortened_to_fit + midi.notes_too_long;
    if (dropped > 0)
        parts.push_back(
            FormatText(convert_text::kSummaryDropped, Counted(dropped, convert_text::kNote).c_str()));
    if (shortened > 0)
        parts.push_back(
            FormatText(convert_text::kSummaryShortened, Counted(shortened, convert_text::kNote).c_str()));
    if (!midi.given_up.empty())
        parts.push_back(FormatText(
            convert_text::kSummaryThinned,
            Counted(static_cast<uint32_t>(midi.given_up.size()), convert_text::kControllerStream).c_str()));
    if (midi.cut)
        parts.push_back(
            midi.cut->bar > 0
                ? FormatText(convert_text::kSummaryCutBar, midi.cut->bar, Clock(midi.cut->ms).c_str())
                : FormatText(convert_text::kSummaryCut, Clock(midi.cut->ms).c_str()));
    const std::string given_up = parts.empty() ? convert_text::kNothingGivenUp : Joined(parts, ", ");
    return FormatText(convert_text::kMidiSummary, name, report.output_bytes, midi.timebase_ms,
                      given_up.c_str());
}

}  // namespace cantavo
