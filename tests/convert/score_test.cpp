// MIDI files converted to scores, checked in the event list the engine's own sequencer builds from them:
// every note at its time with its pitch and channel, drums on the drum bank, velocity as expression, the
// controls of the sounding note, polyphony and 4-operator voices.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "convert/convert.h"
#include "engine/builtin_banks.h"
#include "engine/synth_engine.h"
#include "tests/convert/midi_file_builder.h"
#include "tests/convert/score_events.h"

namespace cantavo {
namespace {

constexpr uint16_t kTicksPerQuarter = 480;

Conversion Convert(const std::vector<uint8_t>& midi, ConvertOptions options = {}) {
    Conversion conversion = ConvertMidi(midi, "song.mid", options);
    EXPECT_EQ(conversion.error, "");
    return conversion;
}

// 120 beats per minute up to tick 1920, then 90 (666.67 ms per quarter).
double TempoChangeMs(uint32_t tick) {
    if (tick <= 1920) return tick * 500.0 / kTicksPerQuarter;
    return 2000 + (tick - 1920) * (2000.0 / 3) / kTicksPerQuarter;
}

struct MidiNote {
    uint32_t tick;
    uint32_t length;
    uint8_t channel;
    uint8_t key;
};

// No two notes overlap on one score channel: they would slur.
void ExpectNoSlurs(const std::vector<PlayedNote>& notes) {
    std::map<uint8_t, uint32_t> busy_until;
    for (const PlayedNote& note : notes) {
        EXPECT_GE(note.on_ms, busy_until[note.channel])
            << "channel " << int(note.channel) << " at " << note.on_ms;
        busy_until[note.channel] = note.off_ms;
    }
}

TEST(Score, EveryNoteAtItsTimeWithItsPitchAndChannel) {
    CMidiFileBuilder file(1, kTicksPerQuarter);
    CMidiTrackBuilder& conductor = file.AddTrack();
    conductor.Tempo(0, 500000);
    conductor.Tempo(1920, 666667);
    std::vector<MidiNote> notes;
    const uint8_t programs[4] = {0, 40, 73, 33};
    for (uint8_t channel = 0; channel < 4; ++channel) {
        CMidiTrackBuilder& track = file.AddTrack();
        track.Program(0, channel, programs[channel]);
        // Triplets on channel 1, eighths on 2, dotted rhythms on 3, quarters on 4; keys over five octaves.
        const uint32_t step = channel == 0 ? 160 : channel == 1 ? 240 : channel == 2 ? 360 : 480;
        for (uint32_t tick = 0, i = 0; tick < 3840; tick += step, ++i) {
            const auto key = static_cast<uint8_t>(24 + channel * 15 + (i * 7) % 30);
            track.Note(tick, step - 20, channel, key);
            notes.push_back({tick, step - 20, channel, key});
        }
    }
    for (const uint32_t timebase : {0u, 10u}) {
        ConvertOptions options;
        if (timebase != 0) options.timebase_ms = timebase;
        const Conversion conversion = Convert(file.Bytes(), options);
        const uint32_t used = conversion.report.midi.timebase_ms;
        EXPECT_EQ(used, timebase == 0 ? 1u : timebase);
        const ParsedScore score = ParseScore(conversion.smaf);
        ASSERT_TRUE(score.parsed);
        const std::vector<PlayedNote> played = PlayedNotes(score);
        ASSERT_EQ(played.size(), notes.size());
        for (const MidiNote& note : notes) {
            const double on = TempoChangeMs(note.tick);
            const double off = TempoChangeMs(note.tick + note.length);
            const auto found = std::find_if(played.begin(), played.end(), [&](const PlayedNote& p) {
                return p.channel == note.channel && p.key == note.key && std::abs(p.on_ms - on) <= used / 2.0;
            });
            ASSERT_NE(found, played.end())
                << "channel " << int(note.channel) << " key " << int(note.key) << " at " << on;
            EXPECT_EQ(found->program, programs[note.channel]);
            EXPECT_EQ(found->bank_lsb, 0);  // bank 20, the built-in 2-operator voices
            EXPECT_LE(std::abs(found->off_ms - off), used) << on;
        }
        ExpectNoSlurs(played);
    }
}

TEST(Score, ChordsSpreadOverChannelsThatCarryTheirProgram) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    track.Program(0, 0, 48);
    track.Program(0, 1, 33);
    track.Controller(0, 0, 7, 80);
    const uint8_t chords[4][3] = {{60, 64, 67}, {62, 65, 69}, {59, 62, 67}, {60, 64, 67}};
    for (uint32_t bar = 0; bar < 4; ++bar) {
        for (const uint8_t key : chords[bar]) track.Note(bar * 1920, 1900, 0, key);
        track.Note(bar * 1920, 900, 1, static_cast<uint8_t>(chords[bar][0] - 24));
        track.Note(bar * 1920 + 960, 900, 1, static_cast<uint8_t>(chords[bar][0] - 17));
    }
    const std::vector<PlayedNote> played = PlayedNotes(ParseScore(Convert(file.Bytes()).smaf));
    ASSERT_EQ(played.size(), 4u * 3 + 4 * 2);
    for (uint32_t bar = 0; bar < 4; ++bar) {
        for (const uint8_t key : chords[bar]) {
            const auto found = std::find_if(played.begin(), played.end(), [&](const PlayedNote& p) {
                return p.key == key && p.on_ms == bar * 2000;
            });
            ASSERT_NE(found, played.end());
            EXPECT_EQ(found->program, 48);
            EXPECT_EQ(found->volume, 80);
        }
    }
    for (const PlayedNote& note : played)
        if (note.key < 48) {
            EXPECT_EQ(note.program, 33);
            EXPECT_EQ(note.volume, 100);  // a MIDI channel starts at volume 100
        }
    ExpectNoSlurs(played);
}

TEST(Score, DrumsPlayFromTheDrumBankAtTheirSoundsPitch) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    for (uint32_t beat = 0; beat < 8; ++beat) {
        track.Note(beat * 480, 60, 9, beat % 2 == 0 ? 36 : 38);
        track.Note(beat * 480, 60, 9, 42);
        track.Note(beat * 480 + 240, 60, 9, 42);
    }
    track.Note(100, 60, 9, 20);  // a key without a drum sound
    ASSERT_EQ(kBuiltinDrums[20].drum_note, 0);
    const Conversion conversion = Convert(file.Bytes());
    const std::vector<PlayedNote> played = PlayedNotes(ParseScore(conversion.smaf));
    ASSERT_EQ(played.size(), 8u * 3);
    std::map<uint8_t, int> by_sound;
    for (const PlayedNote& note : played) {
        EXPECT_EQ(note.bank_lsb, 10);  // bank 30, the copy of the drum bank
        ++by_sound[note.program];
        EXPECT_EQ(note.key, kBuiltinDrums[note.program].drum_note);
    }
    EXPECT_EQ(by_sound, (std::map<uint8_t, int>{{36, 4}, {38, 4}, {42, 16}}));
    EXPECT_EQ(conversion.report.midi.drum_notes_without_sound, 1u);
    EXPECT_EQ(conversion.report.midi.drum_sounds, 3u);
    ExpectNoSlurs(played);
}

TEST(Score, VelocityIsCarriedByExpression) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    track.Note(0, 400, 0, 60, 127);
    track.Note(480, 400, 0, 62, 64);
    track.Controller(900, 0, 11, 100);
    track.Note(960, 400, 0, 64, 100);
    track.Note(1440, 400, 0, 65, 32);
    const Conversion conversion = Convert(file.Bytes());
    std::vector<uint8_t> expressions;
    for (const PlayedNote& note : PlayedNotes(ParseScore(conversion.smaf)))
        expressions.push_back(note.expression);
    // The engine adds the attenuations of expression and velocity: one expression of e x v / 127 sounds
    // alike.
    EXPECT_EQ(expressions, (std::vector<uint8_t>{127, 64, 79, 25}));
    EXPECT_EQ(conversion.report.midi.velocity, VelocityUse::kApproximated);
}

TEST(Score, ControlsReachTheSoundingNote) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    track.Controller(0, 2, 7, 90);
    track.Controller(0, 2, 10, 20);
    track.Note(0, 1920, 2, 67);
    track.Controller(480, 2, 1, 64);     // modulation
    track.PitchBend(960, 2, 4096);       // a semitone up
    track.Controller(1200, 2, 10, 100);  // pan while sounding
    track.PitchBend(1440, 2, 0);
    track.Controller(1500, 2, 1, 0);
    const ParsedScore score = ParseScore(Convert(file.Bytes()).smaf);
    const std::vector<PlayedNote> played = PlayedNotes(score);
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0].volume, 90);
    EXPECT_EQ(played[0].pan, 20);
    const uint8_t channel = played[0].channel;
    std::vector<std::tuple<uint32_t, uint8_t, uint8_t, uint8_t>> changes;  // time, status, d1, d2
    for (const SeqEvent& event : score.events) {
        const uint8_t status = MessageByte(event.message, 0);
        if (event.time <= 0 || event.time >= played[0].off_ms || (status & 0x0F) != channel) continue;
        if ((status & 0xF0) == 0xB0 || (status & 0xF0) == 0xE0)
            changes.emplace_back(event.time, status & 0xF0, MessageByte(event.message, 1),
                                 MessageByte(event.message, 2));
    }
    // Modulation 64 is the engine's depth 3 (short-form value 64); a semitone is 32 steps of the bend MSB.
    EXPECT_EQ(changes, (std::vector<std::tuple<uint32_t, uint8_t, uint8_t, uint8_t>>{{500, 0xB0, 1, 64},
                                                                                     {1000, 0xE0, 0, 96},
                                                                                     {1250, 0xB0, 10, 100},
                                                                                     {1500, 0xE0, 0, 64},
                                                                                     {1563, 0xB0, 1, 0}}));
}

TEST(Score, PolyphonyAboveTheEngineDropsInnerQuietNotes) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    // 20 notes at once; the top note is the quietest of all, four inner notes are the next quietest.
    for (uint8_t i = 0; i < 20; ++i) {
        const uint8_t key = static_cast<uint8_t>(50 + i);
        const uint8_t velocity = key == 69 ? 5 : (key % 5 == 0 ? 20 : 100);
        track.Note(0, 960, 0, key, velocity);
    }
    const Conversion conversion = Convert(file.Bytes());
    std::vector<uint8_t> keys;
    for (const PlayedNote& note : PlayedNotes(ParseScore(conversion.smaf))) keys.push_back(note.key);
    std::sort(keys.begin(), keys.end());
    std::vector<uint8_t> expected;
    for (uint8_t key = 50; key < 70; ++key)
        if (key % 5 != 0) expected.push_back(key);
    EXPECT_EQ(keys, expected);  // 50, 55, 60, 65 dropped; 69 kept as the top of the chord
    EXPECT_EQ(conversion.report.midi.dropped_above_engine, 4u);
    EXPECT_TRUE(conversion.report.midi.steps.empty());
}

TEST(Score, FourOperatorVoicesAreDefinedByTheSong) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    track.Program(0, 0, 0);
    track.Program(0, 1, 56);
    for (uint8_t i = 0; i < 10; ++i) track.Note(0, 960, 0, static_cast<uint8_t>(48 + i));  // ten at once
    track.Note(0, 960, 1, 72);
    track.Note(0, 960, 9, 36);

    ConvertOptions four;
    four.voices = VoiceMode::kFourOperator;
    const Conversion all = Convert(file.Bytes(), four);
    const ParsedScore score = ParseScore(all.smaf);
    ASSERT_EQ(score.song_voices.size(), 2u);
    for (const std::vector<uint8_t>& voice : score.song_voices) EXPECT_EQ(voice[1], 21);  // bank 21
    EXPECT_EQ(score.song_voices[0][2], 0);
    EXPECT_EQ(score.song_voices[1][2], 56);
    int melody = 0;
    for (const PlayedNote& note : PlayedNotes(score)) {
        if (note.bank_lsb == 10) continue;  // the drum stays on the drum bank
        EXPECT_EQ(note.bank_lsb, 1);
        ++melody;
    }
    // 32 operators: the drum takes 2, seven 4-operator notes the rest.
    EXPECT_EQ(melody, 7);
    EXPECT_EQ(all.report.midi.dropped_above_engine, 4u);
    EXPECT_EQ(all.report.midi.four_operator_programs, 2u);

    // auto: the busy channel stays with 2 operators (ten notes), the other one fits with 4.
    ConvertOptions automatic;
    automatic.voices = VoiceMode::kAuto;
    const Conversion mixed = Convert(file.Bytes(), automatic);
    std::map<uint8_t, uint8_t> bank_of_program;
    for (const PlayedNote& note : PlayedNotes(ParseScore(mixed.smaf)))
        bank_of_program[note.program] = note.bank_lsb;
    EXPECT_EQ(bank_of_program, (std::map<uint8_t, uint8_t>{{0, 0}, {56, 1}, {36, 10}}));
    EXPECT_EQ(mixed.report.midi.dropped_above_engine, 0u);
}

TEST(Score, EveryTrackEndsWhenTheSongEnds) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    for (uint8_t i = 0; i < 9; ++i)
        track.Note(i * 100u, 200, static_cast<uint8_t>(i), static_cast<uint8_t>(60 + i));
    track.Event(3840, {0xFF, 0x01, 0x01, 'x'});  // the MIDI track runs on to 4000 ms
    const Conversion conversion = Convert(file.Bytes());
    const ParsedScore score = ParseScore(conversion.smaf);
    EXPECT_EQ(score.score_tracks, 3u);
    EXPECT_EQ(conversion.report.midi.score_tracks, 3u);
    std::vector<uint32_t> ends;
    for (const SeqEvent& event : score.events)
        if ((MessageByte(event.message, 0) & 0xF0) == 0xB0 && MessageByte(event.message, 1) == 0x78)
            ends.push_back(event.time);
    EXPECT_EQ(ends, std::vector<uint32_t>(12, 4000));  // channels 0-3, from each of the three tracks
}

}  // namespace

namespace {

// The peak of the left channel and the length as the engine plays a melody.
std::pair<int, double> Played(const smaf::Bytes& melody) {
    const auto engine = std::make_unique<CSynthEngine>();
    engine->SetData(melody.data(), static_cast<uint32_t>(melody.size()));
    EXPECT_EQ(engine->Play(), 1);
    int peak = 0;
    uint64_t frames = 0;
    std::vector<uint8_t> buffer(8192);
    while (const uint32_t bytes = engine->Render(buffer.data(), 8192)) {
        frames += bytes / 4;
        for (uint32_t i = 0; i < bytes; i += 4)
            peak = std::max(peak, std::abs(int(int16_t(buffer[i] | (buffer[i + 1] << 8)))));
    }
    return {peak, double(frames) / 22050};
}

TEST(Score, MelodiesAndDrumsAreHeard) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    for (uint32_t beat = 0; beat < 16; ++beat) {
        track.Note(beat * 480, 400, 0, static_cast<uint8_t>(60 + beat % 8), 90);
        track.Note(beat * 480, 100, 9, beat % 2 == 0 ? 36 : 38, 110);
    }
    const auto [peak, seconds] = Played(Convert(file.Bytes()).smaf);
    EXPECT_GT(peak, 4000);
    // The last note ends at 7.92 s; the released notes ring out a little after it.
    EXPECT_GT(seconds, 7.8);
    EXPECT_LT(seconds, 9.0);
}

}  // namespace
}  // namespace cantavo
