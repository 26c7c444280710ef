// MIDI files read into notes and controls with their times in milliseconds: tempo map, divisions, note
// pairing, pedal, bend range, drums and banks, bar lines, and damaged or hostile files.
#include <gtest/gtest.h>

#include <random>

#include "convert/convert.h"
#include "convert/midi_file_reader.h"
#include "convert/midi_song.h"
#include "tests/convert/midi_file_builder.h"

namespace cantavo {
namespace {

constexpr uint16_t kTicksPerQuarter = 480;

MidiSong Song(const std::vector<uint8_t>& bytes) {
    std::string reason;
    const std::optional<MidiFileContents> contents = ReadMidiFile(bytes, reason);
    EXPECT_TRUE(contents) << reason;
    return contents ? BuildMidiSong(*contents) : MidiSong{};
}

std::string Refusal(const std::vector<uint8_t>& bytes) {
    std::string reason;
    EXPECT_FALSE(ReadMidiFile(bytes, reason));
    return reason;
}

struct ExpectedNote {
    double start_ms;
    double end_ms;
    uint8_t key;
};

void ExpectNotes(const MidiSong& song, const std::vector<ExpectedNote>& expected) {
    ASSERT_EQ(song.notes.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(song.notes[i].start_ms, expected[i].start_ms, 1e-6) << i;
        EXPECT_NEAR(song.notes[i].end_ms, expected[i].end_ms, 1e-6) << i;
        EXPECT_EQ(song.notes[i].key, expected[i].key) << i;
    }
}

// Tempo 120, then 240 from tick 960, then 60 from tick 1920; a note every quarter, an eighth long.
std::vector<uint8_t> TempoChangeFile(uint16_t format, bool running_status) {
    CMidiFileBuilder file(format, kTicksPerQuarter);
    CMidiTrackBuilder& conductor = file.AddTrack();
    conductor.Tempo(0, 500000);
    conductor.Tempo(960, 250000);
    conductor.Tempo(1920, 1000000);
    CMidiTrackBuilder& notes = format == 0 ? conductor : file.AddTrack();
    for (uint8_t i = 0; i < 6; ++i) notes.Note(i * 480u, 240, 0, static_cast<uint8_t>(60 + i));
    return file.Bytes(running_status);
}

// By hand: 500 ms per quarter up to tick 960 (1000 ms), 250 ms per quarter up to tick 1920 (1500 ms), then
// 1000 ms per quarter.
const std::vector<ExpectedNote> kTempoChangeNotes = {{0, 250, 60},     {500, 750, 61},   {1000, 1125, 62},
                                                     {1250, 1375, 63}, {1500, 2000, 64}, {2500, 3000, 65}};

TEST(MidiReading, TempoChangesGiveTheTimesOfEveryNote) {
    ExpectNotes(Song(TempoChangeFile(1, false)), kTempoChangeNotes);
    // Format 0, running status, and note offs written as note ons of velocity 0.
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    track.Tempo(0, 500000);
    track.Tempo(960, 250000);
    track.Tempo(1920, 1000000);
    for (uint8_t i = 0; i < 6; ++i) {
        track.Event(i * 480u, {0x90, static_cast<uint8_t>(60 + i), 100});
        track.Event(i * 480u + 240, {0x90, static_cast<uint8_t>(60 + i), 0});
    }
    const MidiSong song = Song(file.Bytes(true));
    ExpectNotes(song, kTempoChangeNotes);
    EXPECT_EQ(song.format, 0);
    EXPECT_NEAR(song.length_ms, 3000, 1e-6);
}

TEST(MidiReading, SmpteDivisionCountsRealTimeAndIgnoresTempo) {
    // 25 frames of 40 ticks: 1000 ticks per second.
    CMidiFileBuilder file(0, 0xE728);
    CMidiTrackBuilder& track = file.AddTrack();
    track.Tempo(0, 250000);
    track.Note(1500, 500, 0, 60);
    track.Note(2500, 250, 0, 62);
    ExpectNotes(Song(file.Bytes()), {{1500, 2000, 60}, {2500, 2750, 62}});
}

TEST(MidiReading, AnyTicksPerQuarter) {
    for (const uint16_t division : {1, 24, 96, 960, 0x7FFF}) {
        CMidiFileBuilder file(1, division);
        file.AddTrack().Note(division, division / 2 + 1, 0, 60);
        const MidiSong song = Song(file.Bytes());
        ASSERT_EQ(song.notes.size(), 1u) << division;
        EXPECT_NEAR(song.notes[0].start_ms, 500, 1e-6) << division;
    }
}

TEST(MidiReading, PedalRetriggerAndStrayOffs) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    track.Controller(0, 0, 64, 127);  // pedal down
    track.Note(0, 240, 0, 60);        // released at 240, held by the pedal
    track.Note(480, 240, 0, 64);      // released at 720, held
    track.Event(600, {0x80, 70, 0});  // an off without an on
    track.Controller(960, 0, 64, 0);  // pedal up: both end here
    track.Note(1200, 960, 0, 67);     // struck again at 1440 before its off:
    track.Note(1440, 480, 0, 67);     // the first ends at 1440
    const MidiSong song = Song(file.Bytes());
    ExpectNotes(song, {{0, 1000, 60}, {500, 1000, 64}, {1250, 1500, 67}, {1500, 2000, 67}});
}

TEST(MidiReading, BendRangeIsAppliedToBends) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    track.PitchBend(0, 0, 4096);  // half the default range of 2 semitones
    track.Controller(10, 1, 101, 0);
    track.Controller(10, 1, 100, 0);
    track.Controller(10, 1, 6, 12);  // channel 2: 12 semitones
    track.PitchBend(20, 1, 4096);
    track.Controller(30, 2, 99, 1);  // an NRPN: the data entry that follows is not the bend range
    track.Controller(30, 2, 6, 12);
    track.PitchBend(40, 2, -8192);
    track.Note(0, 100, 0, 60);
    const MidiSong song = Song(file.Bytes());
    std::vector<int> bends;
    for (const ChannelControl& control : song.controls)
        if (control.kind == ControlKind::kPitchBend) bends.push_back(control.value);
    EXPECT_EQ(bends, (std::vector<int>{100, 600, -200}));
    EXPECT_EQ(song.wide_bend, std::bitset<kMidiChannels>(0b010));
}

TEST(MidiReading, DrumChannelsAndBanks) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    track.Note(0, 10, 9, 36);        // channel 10: drums
    track.Controller(0, 2, 0, 127);  // channel 3: an XG drum kit
    track.Program(1, 2, 0);
    track.Note(2, 10, 2, 38);
    track.Controller(0, 3, 0, 8);  // channel 4: a variation bank we have no voices for
    track.Program(1, 3, 25);
    track.Note(2, 10, 3, 60);
    track.Controller(0, 4, 0, 0);  // channel 5: the General MIDI bank
    track.Controller(0, 4, 32, 0);
    track.Program(1, 4, 40);
    track.Note(2, 10, 4, 60);
    track.Controller(5, 5, 0, 127);  // a bank select without a program change does not count
    track.Note(6, 10, 5, 60);
    const MidiSong song = Song(file.Bytes());
    ASSERT_EQ(song.notes.size(), 5u);
    EXPECT_TRUE(song.notes[0].drum);
    EXPECT_TRUE(song.notes[1].drum);
    EXPECT_FALSE(song.notes[2].drum);
    EXPECT_EQ(song.notes[2].program, 25);
    EXPECT_FALSE(song.notes[3].drum);
    EXPECT_EQ(song.notes[3].program, 40);
    EXPECT_FALSE(song.notes[4].drum);
    EXPECT_EQ(song.unknown_bank, std::bitset<kMidiChannels>(0b1000));
}

TEST(MidiReading, BarLinesFollowTheTimeSignatures) {
    CMidiFileBuilder file(1, kTicksPerQuarter);
    CMidiTrackBuilder& conductor = file.AddTrack();
    conductor.TimeSignature(0, 4, 2);
    conductor.TimeSignature(1920, 3, 2);   // 3/4 from bar 2
    conductor.TimeSignature(2880, 6, 3);   // 6/8 in the middle of the second 3/4 bar: a new bar there
    file.AddTrack().Note(0, 6000, 0, 60);  // ends at tick 6000 = 6250 ms
    // 120 beats per minute: 4/4 = 2000 ms, 3/4 = 1500 ms, 6/8 = 1500 ms.
    const std::vector<double> expected = {0, 2000, 3000, 4500, 6000};
    const MidiSong song = Song(file.Bytes());
    ASSERT_EQ(song.bars_ms.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(song.bars_ms[i], expected[i], 1e-6) << i;
}

TEST(MidiReading, RefusesWhatIsNotAMidiFileOfFormat0Or1) {
    EXPECT_EQ(Refusal({'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}), "not a MIDI file");
    EXPECT_EQ(Refusal({'M', 'T', 'h', 'd'}), "not a MIDI file");
    CMidiFileBuilder format2(2, kTicksPerQuarter);
    format2.AddTrack().Note(0, 10, 0, 60);
    EXPECT_EQ(Refusal(format2.Bytes()), "MIDI format 2 (independent sequences) is not supported");
    CMidiFileBuilder no_division(1, 0);
    no_division.AddTrack().Note(0, 10, 0, 60);
    EXPECT_EQ(Refusal(no_division.Bytes()), "the MIDI header gives no time division");
    std::vector<uint8_t> too_large(kLargestMidiFileBytes + 1, 0);
    std::copy_n(format2.Bytes().begin(), 14, too_large.begin());
    EXPECT_EQ(Refusal(too_large), "larger than 16 MB, too large for a MIDI file");
}

TEST(MidiReading, DamagedFilesKeepWhatCameBefore) {
    CMidiFileBuilder file(0, kTicksPerQuarter);
    CMidiTrackBuilder& track = file.AddTrack();
    track.Note(0, 480, 0, 60);
    track.Event(480, {0xF0, 0x03, 0x7E, 0x7F, 0xF7});  // system exclusive
    track.Event(500, {0xF7, 0x02, 0x01, 0xF7});        // an escaped continuation
    track.Note(960, 480, 0, 62);
    track.Note(1920, 480, 0, 64);
    std::vector<uint8_t> bytes = file.Bytes();
    ExpectNotes(Song(bytes), {{0, 500, 60}, {1000, 1500, 62}, {2000, 2500, 64}});

    // Cut inside the last note: the first two stay; the third is read up to the end of the file.
    std::vector<uint8_t> truncated(bytes.begin(), bytes.end() - 8);
    const MidiSong song = Song(truncated);
    ASSERT_GE(song.notes.size(), 2u);
    EXPECT_EQ(song.notes[1].key, 62);
    EXPECT_FALSE(song.damage.empty());

    // A track length far past the end of the file.
    bytes[18] = bytes[19] = bytes[20] = bytes[21] = 0x7F;
    const MidiSong long_track = Song(bytes);
    EXPECT_EQ(long_track.notes.size(), 3u);
    EXPECT_FALSE(long_track.damage.empty());
}

TEST(MidiReading, RiffMidiFilesAreUnwrapped) {
    const std::vector<uint8_t> midi = TempoChangeFile(1, false);
    std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0,   0,   0, 0, 'R', 'M',
                                 'I', 'D', 'd', 'a', 't', 'a', 0, 0, 0,   0};
    riff.insert(riff.end(), midi.begin(), midi.end());
    ExpectNotes(Song(riff), kTempoChangeNotes);
}

TEST(MidiReading, EventsLaterThanAnHourAreLeftOut) {
    CMidiFileBuilder file(0, 1);  // one tick per quarter: 500 ms
    CMidiTrackBuilder& track = file.AddTrack();
    track.Note(0, 1, 0, 60);
    track.Note(0x0FFFFFFF, 1, 0, 62);  // four years later
    const MidiSong song = Song(file.Bytes());
    EXPECT_EQ(song.notes.size(), 1u);
    EXPECT_EQ(song.events_after_limit, 2u);
    EXPECT_EQ(song.length_ms, kLongestSongMs);
    EXPECT_LE(song.bars_ms.size(), 100000u);
}

TEST(MidiReading, MetaEventsShorterThanTheirFormAreRead) {
    // A sequence number, a tempo and a time signature without their data bytes, before any other meta event.
    const std::vector<uint8_t> file = {'M',  'T', 'h', 'd',  0,    0,   0, 6,    0,    0,  0, 1,
                                       0,    96,  'M', 'T',  'r',  'k', 0, 0,    0,    24, 0, 0xFF,
                                       0x00, 0,   0,   0xFF, 0x51, 0,   0, 0xFF, 0x58, 0,  0, 0x90,
                                       60,   100, 96,  0x80, 60,   0,   0, 0xFF, 0x2F, 0};
    const MidiSong song = Song(file);
    ASSERT_EQ(song.notes.size(), 1u);
    EXPECT_EQ(song.notes[0].key, 60);
}

TEST(MidiReading, DeltaTimesBeyondAnyRangeAreLeftOut) {
    // Delta times of eight bytes (2^56 - 1 ticks) each: the library sums them without a bound.
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
                                 1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0, 0};
    const std::vector<uint8_t> track = {0, 0x90, 60, 100, 96, 0x80, 60, 0};
    file.insert(file.end(), track.begin(), track.end());
    for (int i = 0; i < 4; ++i) {
        file.insert(file.end(), 7, 0xFF);
        file.insert(file.end(), {0x7F, 0x90, 62, 100});
    }
    file.insert(file.end(), {0, 0xFF, 0x2F, 0});
    file[21] = static_cast<uint8_t>(file.size() - 22);
    const MidiSong song = Song(file);
    ASSERT_EQ(song.notes.size(), 1u);
    EXPECT_EQ(song.events_after_limit, 4u);
    EXPECT_EQ(song.length_ms, kLongestSongMs);
}

TEST(MidiReading, MutatedFilesAreConvertedOrRefusedWithAReason) {
    CMidiFileBuilder file(1, kTicksPerQuarter);
    CMidiTrackBuilder& conductor = file.AddTrack();
    conductor.Tempo(0, 400000);
    conductor.TimeSignature(0, 3, 2);
    CMidiTrackBuilder& track = file.AddTrack();
    std::mt19937 random(12);
    for (uint32_t i = 0; i < 60; ++i) {
        const auto channel = static_cast<uint8_t>(random() % 16);
        track.Note(i * 60, 30 + random() % 400, channel, static_cast<uint8_t>(random() % 128),
                   static_cast<uint8_t>(1 + random() % 127));
        track.Controller(i * 60 + 5, channel, static_cast<uint8_t>(random() % 128),
                         static_cast<uint8_t>(random() % 128));
        track.PitchBend(i * 60 + 7, channel, static_cast<int>(random() % 16384) - 8192);
        track.Event(i * 60 + 9, {0xF0, 0x02, 0x10, 0xF7});
    }
    const std::vector<uint8_t> original = file.Bytes(true);
    for (int run = 0; run < 3000; ++run) {
        std::vector<uint8_t> bytes = original;
        for (int change = 1 + random() % 6; change > 0; --change) {
            const size_t at = random() % bytes.size();
            switch (random() % 4) {
                case 0:
                    bytes[at] = static_cast<uint8_t>(random());
                    break;
                case 1:
                    bytes[at] ^= static_cast<uint8_t>(1u << (random() % 8));
                    break;
                case 2:
                    bytes.resize(std::max<size_t>(at, 14));
                    break;
                default:
                    bytes.insert(bytes.begin() + at, 1 + random() % 8, static_cast<uint8_t>(random()));
                    break;
            }
        }
        const Conversion conversion = ConvertMidi(bytes, "mutated.mid", {});
        // Either a melody within the slot, or a reason naming the file.
        if (conversion.error.empty()) {
            EXPECT_LE(conversion.smaf.size(), kFmMelodyBytes) << run;
            EXPECT_FALSE(conversion.smaf.empty()) << run;
        } else {
            EXPECT_EQ(conversion.error.rfind("mutated.mid: ", 0), 0u) << run << " " << conversion.error;
        }
    }
}

}  // namespace
}  // namespace cantavo
