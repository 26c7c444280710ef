// Fitting a song into a slot: a song that fits is not touched; one that does not gives up precision, then
// controller streams, then polyphony, then its end, each only as far as needed and each in the report.
#include <gtest/gtest.h>

#include <algorithm>

#include "convert/convert.h"
#include "tests/convert/midi_file_builder.h"
#include "tests/convert/score_events.h"

namespace cantavo {
namespace {

constexpr uint16_t kTicksPerQuarter = 480;  // at the default tempo, 500 ms per quarter

Conversion Convert(const std::vector<uint8_t>& midi, std::optional<uint32_t> max_bytes = std::nullopt,
                   std::optional<uint32_t> timebase = std::nullopt) {
    ConvertOptions options;
    options.max_bytes = max_bytes;
    options.timebase_ms = timebase;
    Conversion conversion = ConvertMidi(midi, "song.mid", options);
    EXPECT_EQ(conversion.error, "");
    if (max_bytes) {
        EXPECT_LE(conversion.smaf.size(), *max_bytes);
    }
    return conversion;
}

size_t CountEvents(const ParsedScore& score, uint8_t kind, int controller = -1) {
    return std::count_if(score.events.begin(), score.events.end(), [&](const SeqEvent& event) {
        return (MessageByte(event.message, 0) & 0xF0) == kind &&
               (controller < 0 || MessageByte(event.message, 1) == controller);
    });
}

// A melody of notes a quarter and a half apart (deltas of 750 ms: two bytes at 1 ms, one byte at 10 ms), at
// changing velocities, with a bend and a modulation sweep on every note.
std::vector<uint8_t> MelodyWithSweeps(uint32_t notes) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    for (uint32_t i = 0; i < notes; ++i) {
        const uint32_t at = i * 720;
        track.Note(at, 600, 0, static_cast<uint8_t>(60 + i % 12), static_cast<uint8_t>(60 + (i % 3) * 30));
        for (uint32_t step = 0; step < 12; ++step) track.PitchBend(at + step * 40, 0, int(step) * 600 - 3000);
        track.Controller(at + 100, 0, 1, static_cast<uint8_t>(i % 2 == 0 ? 100 : 0));
    }
    return file.Bytes();
}

// The same melody at one velocity and without controllers: nothing to give up but precision and length.
std::vector<uint8_t> PlainMelody(uint32_t notes) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    for (uint32_t i = 0; i < notes; ++i) track.Note(i * 720, 600, 0, static_cast<uint8_t>(60 + i % 12));
    return file.Bytes();
}

// Four-note chords every half note, each ringing on under the next two: 12 notes sound at once in one
// channel. One velocity, so that there is no expression stream to give up.
std::vector<uint8_t> OverlappingChords(uint32_t chords) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    for (uint32_t i = 0; i < chords; ++i)
        for (uint8_t k = 0; k < 4; ++k)
            track.Note(i * 960, 2800, 0, static_cast<uint8_t>(48 + (i % 5) + 4 * k));
    return file.Bytes();
}

TEST(Fit, ASongThatFitsIsNotTouched) {
    const std::vector<uint8_t> midi = MelodyWithSweeps(20);
    const Conversion untouched = Convert(midi);
    const MidiReport& report = untouched.report.midi;
    EXPECT_TRUE(report.steps.empty());
    EXPECT_EQ(report.timebase_ms, 1u);
    EXPECT_TRUE(report.given_up.empty());
    EXPECT_FALSE(report.cut);
    EXPECT_FALSE(GaveUpAnything(untouched.report));
    const ParsedScore score = ParseScore(untouched.smaf);
    EXPECT_EQ(PlayedNotes(score).size(), 20u);
    // Every bend of the file (12 per note, the first ones while no note sounds reach the next note) and every
    // modulation change.
    EXPECT_EQ(CountEvents(score, 0xE0), 20u * 12);
    EXPECT_EQ(CountEvents(score, 0xB0, 1), 20u);

    // A limit of exactly its size changes nothing; one byte less gives up precision and nothing else.
    const uint32_t size = static_cast<uint32_t>(untouched.smaf.size());
    EXPECT_EQ(Convert(midi, size).smaf, untouched.smaf);
    const Conversion coarser = Convert(midi, size - 1);
    EXPECT_EQ(coarser.report.midi.steps, std::vector<FitStep>{FitStep::kCoarserTimebase});
    EXPECT_GT(coarser.report.midi.timebase_ms, 1u);
    EXPECT_EQ(PlayedNotes(ParseScore(coarser.smaf)).size(), 20u);
    EXPECT_TRUE(GaveUpAnything(coarser.report));
}

// Converts with a limit one byte below the size at the coarsest timebase the first fit step takes, so that
// precision alone cannot do, and checks that `step` was taken after it. Once that step is in effect the
// finest timebase that fits is taken again, which may be 1 ms: the report names the steps in effect.
Conversion ConvertBeyondPrecision(const std::vector<uint8_t>& midi, FitStep step) {
    const uint32_t at_20_ms = static_cast<uint32_t>(Convert(midi, std::nullopt, 20).smaf.size());
    Conversion fitted = Convert(midi, at_20_ms - 1);
    const MidiReport& report = fitted.report.midi;
    EXPECT_EQ(report.steps.size() == 2, report.timebase_ms > 1);
    const std::vector<FitStep> expected = report.timebase_ms > 1
                                              ? std::vector<FitStep>{FitStep::kCoarserTimebase, step}
                                              : std::vector<FitStep>{step};
    EXPECT_EQ(report.steps, expected);
    EXPECT_FALSE(report.cut);
    return fitted;
}

TEST(Fit, ControllerStreamsGoAfterPrecisionBusiestFirst) {
    const Conversion fitted = ConvertBeyondPrecision(MelodyWithSweeps(30), FitStep::kControllers);
    const MidiReport& report = fitted.report.midi;
    // The bend (12 changes a note) is busier than the expression (velocity changes) and the modulation.
    ASSERT_FALSE(report.given_up.empty());
    EXPECT_EQ(report.given_up[0].stream.kind, ControlKind::kPitchBend);
    EXPECT_EQ(report.given_up[0].stream.changes, 30u * 12);
    EXPECT_LT(report.given_up[0].written, 30u * 12);
    EXPECT_EQ(report.polyphony, 16);
    const ParsedScore score = ParseScore(fitted.smaf);
    EXPECT_EQ(PlayedNotes(score).size(), 30u);
    // Thinned to the short form's quarter-semitone steps.
    for (const SeqEvent& event : score.events)
        if ((MessageByte(event.message, 0) & 0xF0) == 0xE0) {
            EXPECT_EQ(MessageByte(event.message, 2) % 8, 0);
        }
}

TEST(Fit, PolyphonyGoesAfterPrecisionKeepingTheTopNotes) {
    // No controller stream to give up: the controllers step is not taken.
    const Conversion fitted = ConvertBeyondPrecision(OverlappingChords(60), FitStep::kPolyphony);
    const MidiReport& report = fitted.report.midi;
    EXPECT_LT(report.polyphony, 12);
    EXPECT_GE(report.polyphony, 8);
    EXPECT_GT(report.dropped_to_fit + report.shortened_to_fit, 0u);
    const std::vector<PlayedNote> played = PlayedNotes(ParseScore(fitted.smaf));
    for (uint32_t i = 0; i < 60; ++i) {
        const uint8_t top = static_cast<uint8_t>(48 + (i % 5) + 12);
        EXPECT_TRUE(
            std::any_of(played.begin(), played.end(),
                        [&](const PlayedNote& note) { return note.key == top && note.on_ms == i * 1000; }))
            << "chord " << i;
    }
}

TEST(Fit, TheSongIsCutAtABarLineLast) {
    const std::vector<uint8_t> midi = PlainMelody(400);  // 4/4 at 120: a bar every 2000 ms
    const uint32_t limit = 1000;
    const Conversion fitted = Convert(midi, limit);
    const MidiReport& report = fitted.report.midi;
    // One line: neither controllers nor polyphony to give up.
    EXPECT_EQ(report.steps, (std::vector<FitStep>{FitStep::kCoarserTimebase, FitStep::kCut}));
    ASSERT_TRUE(report.cut);
    EXPECT_EQ(report.cut->ms % 2000, 0u);
    EXPECT_EQ(report.cut->bar, report.cut->ms / 2000);
    const ParsedScore score = ParseScore(fitted.smaf);
    const std::vector<PlayedNote> played = PlayedNotes(score);
    // Every note that starts before the cut, at 750 ms apart; each ends by the cut.
    EXPECT_EQ(played.size(), (report.cut->ms + 749) / 750);
    EXPECT_EQ(report.cut->notes_kept, played.size());
    for (const PlayedNote& note : played) EXPECT_LE(note.off_ms, report.cut->ms);
    EXPECT_EQ(EndOfEvents(score), report.cut->ms);
    // The cut is the latest bar line that fits: the next bar, two or three notes of at most six bytes each
    // (duration, event, gate, an octave shift), would not have.
    EXPECT_LT(limit - fitted.smaf.size(), 3u * 6);
}

TEST(Fit, ADenseSongFitsTheSlotGivingUpEverythingInOrder) {
    CMidiFileBuilder file(1, kTicksPerQuarter);
    for (uint8_t channel = 0; channel < 6; ++channel) {
        CMidiTrackBuilder& track = file.AddTrack();
        track.Program(0, channel, static_cast<uint8_t>(channel * 8));
        for (uint32_t beat = 0; beat < 400; ++beat) {
            const uint32_t at = beat * 240;
            for (uint8_t k = 0; k < 3; ++k)
                track.Note(at, 400, channel, static_cast<uint8_t>(40 + channel * 6 + k * 4 + beat % 7),
                           static_cast<uint8_t>(50 + (beat * 13 + k * 7) % 77));
            track.PitchBend(at + 30, channel, int(beat % 9) * 900 - 4000);
            track.Controller(at + 60, channel, 11, static_cast<uint8_t>(40 + beat % 80));
            track.Controller(at + 90, channel, 1, static_cast<uint8_t>(beat % 4 * 40));
        }
    }
    const Conversion fitted = Convert(file.Bytes());
    EXPECT_LE(fitted.smaf.size(), 8160u);
    const MidiReport& report = fitted.report.midi;
    EXPECT_EQ(report.steps, (std::vector<FitStep>{FitStep::kCoarserTimebase, FitStep::kControllers,
                                                  FitStep::kPolyphony, FitStep::kCut}));
    EXPECT_EQ(report.given_up.size(), 18u);  // expression, modulation and bend of six channels
    EXPECT_EQ(report.polyphony, 8);
    ASSERT_TRUE(report.cut);
    EXPECT_EQ(report.cut->ms % 2000, 0u);
    const std::string text = ReportText(fitted.report);
    for (const char* line : {"notes dropped:", "controllers thinned:", "cut point:", "fit steps:"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_NE(text.find("1. coarser timebase  2. controllers thinned  3. polyphony reduced  4. song cut"),
              std::string::npos)
        << text;
}

TEST(Fit, FourOperatorVoicesGiveWayBeforeAnyStep) {
    const std::vector<uint8_t> midi = PlainMelody(20);
    const uint32_t two_operator = static_cast<uint32_t>(Convert(midi).smaf.size());
    ConvertOptions options;
    options.voices = VoiceMode::kAuto;
    options.max_bytes = two_operator;  // no room for the voice definition
    const Conversion conversion = ConvertMidi(midi, "song.mid", options);
    EXPECT_TRUE(conversion.report.midi.four_operator_gave_way);
    EXPECT_TRUE(conversion.report.midi.steps.empty());
    EXPECT_EQ(conversion.report.midi.four_operator_programs, 0u);
    options.max_bytes = std::nullopt;
    EXPECT_EQ(ConvertMidi(midi, "song.mid", options).report.midi.four_operator_programs, 1u);
}

TEST(Fit, TheTimebaseAskedForIsTheFinestTried) {
    const Conversion conversion = Convert(PlainMelody(10), std::nullopt, 5);
    EXPECT_EQ(conversion.report.midi.timebase_ms, 5u);
    EXPECT_TRUE(conversion.report.midi.steps.empty());
    // A note longer than 16511 ticks of 1 ms needs a coarser grid from the start.
    CMidiFileBuilder file(0, kTicksPerQuarter);
    file.AddTrack().Note(0, 40 * 960, 0, 60);  // 40 s
    EXPECT_EQ(Convert(file.Bytes()).report.midi.timebase_ms, 4u);
}

TEST(Fit, ALimitWithoutRoomForAnyMelodyIsAnError) {
    ConvertOptions options;
    options.max_bytes = 30;
    const Conversion conversion = ConvertMidi(PlainMelody(4), "song.mid", options);
    EXPECT_EQ(conversion.error.rfind("song.mid: 30 bytes leave no room for a melody (the smallest takes ", 0),
              0u)
        << conversion.error;
    EXPECT_TRUE(conversion.smaf.empty());
}

TEST(Fit, ACutThatWouldKeepNoNoteIsAnError) {
    // Four bars of rest, then notes: the end of any of the first bars would leave a melody without a note.
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    for (uint32_t i = 0; i < 8; ++i) track.Note(4 * 4 * kTicksPerQuarter + i * 720, 600, 0, 60);
    ConvertOptions options;
    options.max_bytes = 30;
    const Conversion conversion = ConvertMidi(file.Bytes(), "song.mid", options);
    EXPECT_EQ(conversion.error, "song.mid: 30 bytes leave no room for any note of the song");
    EXPECT_TRUE(conversion.smaf.empty());
}

}  // namespace
}  // namespace cantavo
