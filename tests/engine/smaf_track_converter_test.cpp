#include "engine/smaf_track_converter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "smaf_writer/sequence_writer.h"
#include "smaf_writer/voice_writer.h"
#include "tests/engine/recording_target.h"

namespace cantavo {
namespace {

using smaf::Bytes;

std::vector<SeqEvent> ListOf(const CEventList& list) {
    std::vector<SeqEvent> events;
    for (uint32_t i = 0; i < list.Count(); ++i) events.push_back(list[i]);
    return events;
}

// Converts `sequence` as score track `number` with 1 ms duration ticks and 10 ms gate ticks.
std::vector<SeqEvent> ConvertScore(const Bytes& sequence, uint8_t number = 1,
                                   CRecordingTarget* target = nullptr, uint32_t capacity = 1000) {
    CRecordingTarget own;
    ScoreTrack track;
    track.number = number;
    track.sequence = FileRange{0, static_cast<uint32_t>(sequence.size())};
    track.timebase_d_ms = 1;
    track.timebase_g_ms = 10;
    OctaveShifts shifts{};
    CEventList events;
    events.Allocate(capacity);
    ConvertScoreTrack(FileBytes(sequence.data(), sequence.size()), track, shifts, events,
                      target ? *target : own);
    return ListOf(events);
}

std::vector<SeqEvent> ConvertAudio(const Bytes& sequence) {
    AudioTrack track;
    track.sequence = FileRange{0, static_cast<uint32_t>(sequence.size())};
    track.timebase_d_ms = 2;
    track.timebase_g_ms = 5;
    CEventList events;
    events.Allocate(1000);
    ConvertAudioTrack(FileBytes(sequence.data(), sequence.size()), track, events);
    return ListOf(events);
}

// Events without the four end-of-track events.
std::vector<SeqEvent> Body(std::vector<SeqEvent> events) {
    events.resize(events.size() - 4);
    return events;
}

MATCHER_P2(IsEvent, time, message, "") {
    return arg.time == uint32_t(time) && arg.message == uint32_t(message) && arg.reserved == 0;
}

TEST(ScoreTrackConversion, NoteBecomesNoteOnAndOffAfterTheGate) {
    const auto events = ConvertScore({5, 0x21, 3});  // duration 5, channel 0, octave 2, note 1, gate 3
    // Note (1) + 12 x (0 + 2 + 3) = 61; the gate is 3 x 10 ms.
    EXPECT_THAT(Body(events), ::testing::ElementsAre(IsEvent(5, PackMessage(0x90, 61, 127)),
                                                     IsEvent(35, PackMessage(0x80, 61, 127))));
}

TEST(ScoreTrackConversion, TwoByteDurations) {
    // 0x80 0x00 = 128, 0x81 0x05 = 261.
    const auto events = ConvertScore({0x80, 0x00, 0x21, 1, 0x81, 0x05, 0x21, 1});
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[0].time, 128u);
    EXPECT_EQ(events[2].time, 128u + 261u);
}

TEST(ScoreTrackConversion, OctaveShiftAndClamping) {
    // Shift +4, then code 0x3B: 11 + 12 x (4 + 3 + 3) = 131, clamped to 127.
    auto events = ConvertScore({0, 0x00, 0x32, 0x04, 0, 0x3B, 1});
    EXPECT_EQ(MessageByte(events[0].message, 1), 127);
    // 0x84 is -4: code 0x00 gives 12 x (-4 + 0 + 3) = -12, clamped to 0.
    events = ConvertScore({0, 0x00, 0x32, 0x84, 0, 0x00 | 0x40, 1, 0, 0x00, 0x72, 0x84, 0, 0x40, 1});
    EXPECT_EQ(MessageByte(events[0].message, 1), 36);  // channel 1 was not shifted yet
    EXPECT_EQ(MessageByte(events[2].message, 1), 0);
    // 0x85 counts as no shift. (E = 0x00 is a control, so code 0 is only a note on channels 1..3.)
    events = ConvertScore({0, 0x00, 0x72, 0x02, 0, 0x00, 0x72, 0x85, 0, 0x40, 1});
    EXPECT_EQ(MessageByte(events[0].message, 1), 36);
}

TEST(ScoreTrackConversion, TrackNumberSetsChannelsButEndEventsGoToChannelsZeroToThree) {
    const auto events = ConvertScore({0, 0xC0 | 0x21, 2}, 2);  // channel 3 of track 2
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(MessageByte(events[0].message, 0), 0x97);
    EXPECT_EQ(MessageByte(events[1].message, 0), 0x87);
    for (int k = 0; k < 4; ++k) EXPECT_THAT(events[2 + k], IsEvent(20, PackMessage(0xB0 | k, 0x78)));
    // Track 4 reaches channel 15, track 0 starts at channel 0.
    EXPECT_EQ(MessageByte(ConvertScore({0, 0xC0 | 0x21, 2}, 4)[0].message, 0), 0x9F);
    EXPECT_EQ(MessageByte(ConvertScore({0, 0x40 | 0x21, 2}, 0)[0].message, 0), 0x91);
}

TEST(ScoreTrackConversion, ShortFormControls) {
    const std::pair<uint8_t, uint8_t> expression[] = {{0, 0},    {1, 0},    {2, 32},
                                                      {13, 120}, {14, 127}, {15, 127}};
    for (const auto& [code, value] : expression)
        EXPECT_EQ(ConvertScore({0, 0x00, static_cast<uint8_t>(0x40 | code)})[0].message,
                  PackMessage(0xB1, 11, value))
            << int(code);
    const std::pair<uint8_t, uint8_t> modulation[] = {{0, 0},  {1, 0},   {2, 1},   {3, 1},   {4, 32}, {7, 32},
                                                      {8, 64}, {11, 64}, {12, 96}, {14, 96}, {15, 0}};
    for (const auto& [code, value] : modulation)
        EXPECT_EQ(ConvertScore({0, 0x00, static_cast<uint8_t>(0x20 | code)})[0].message,
                  PackMessage(0xB0, 1, value))
            << int(code);
    EXPECT_EQ(ConvertScore({0, 0x00, 0x18})[0].message, PackMessage(0xE0, 0, 64));
    EXPECT_EQ(ConvertScore({0, 0x00, 0x1F})[0].message, PackMessage(0xE0, 0, 120));
}

TEST(ScoreTrackConversion, LongFormControls) {
    EXPECT_EQ(ConvertScore({0, 0x00, 0xB0, 5})[0].message, PackMessage(0xC2, 5));
    EXPECT_EQ(ConvertScore({0, 0x00, 0x31, 0x80})[0].message, PackMessage(0xB0, 32, 10));
    EXPECT_EQ(ConvertScore({0, 0x00, 0x31, 0x85})[0].message, PackMessage(0xB0, 32, 15));
    EXPECT_EQ(ConvertScore({0, 0x00, 0x31, 0x03})[0].message, PackMessage(0xB0, 32, 3));
    EXPECT_EQ(ConvertScore({0, 0x00, 0x34, 0x50})[0].message, PackMessage(0xE0, 0, 0x50));
    EXPECT_EQ(ConvertScore({0, 0x00, 0x37, 100})[0].message, PackMessage(0xB0, 7, 100));
    EXPECT_EQ(ConvertScore({0, 0x00, 0x3A, 20})[0].message, PackMessage(0xB0, 10, 20));
    EXPECT_EQ(ConvertScore({0, 0x00, 0x3B, 90})[0].message, PackMessage(0xB0, 11, 90));
    // Unknown long-form numbers skip their value byte; the note after them still converts.
    const auto events = ConvertScore({0, 0x00, 0x35, 0x21, 0, 0x21, 1});
    EXPECT_EQ(MessageByte(events[0].message, 0), 0x90);
}

TEST(ScoreTrackConversion, RegisterWriteExclusive) {
    // Body 43 03 90 b0 b1: the top bits of b0 and b1 travel in d1.
    const auto events = ConvertScore({7, 0xFF, 0xF0, 5, 0x43, 0x03, 0x90, 0xC5, 0xA4});
    EXPECT_EQ(events[0].time, 7u);
    EXPECT_EQ(events[0].message, PackMessage(0xF0, 0x40 | 0x20, 0x45, 0x24));
    // Only the three head bytes: no event, and not a voice either.
    CRecordingTarget target;
    EXPECT_EQ(ConvertScore({0, 0xFF, 0xF0, 3, 0x43, 0x03, 0x90}, 1, &target).size(), 4u);
    EXPECT_TRUE(target.song_voices.empty());
}

TEST(ScoreTrackConversion, VoiceExclusiveInSequenceDataDefinesTheVoiceAtOnce) {
    smaf::VoiceDefinition voice;
    voice.algorithm = 4;
    smaf::ScoreSequence sequence;
    sequence.Exclusive(0, smaf::LongFormVoice(2, 9, voice));
    sequence.Note(0, 0, 60, 1);
    CRecordingTarget target;
    const auto events = ConvertScore(sequence.bytes(), 1, &target);
    ASSERT_EQ(target.song_voices.size(), 1u);
    EXPECT_EQ(target.song_voices[0][1], 22);
    EXPECT_EQ(target.song_voices[0][2], 9);
    EXPECT_EQ(events.size(), 6u);
}

TEST(ScoreTrackConversion, SkippedPairsAndEndMark) {
    // FF 01 is skipped; four zero bytes end the track even with data after them.
    const auto events = ConvertScore({3, 0xFF, 0x01, 0, 0, 0, 0, 0, 0x21, 1});
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].time, 3u);
}

TEST(ScoreTrackConversion, EndTimeIsTheLastTimeOrTheLatestNoteOff) {
    // Note at 0 with a 100 ms gate, then a control at 20: the end events come at 100.
    auto events = ConvertScore({0, 0x21, 10, 20, 0x00, 0x01});
    EXPECT_EQ(events.back().time, 100u);
    // A later duration beyond the note-off moves the end.
    events = ConvertScore({0, 0x21, 1, 50, 0xFF, 0x00});
    EXPECT_EQ(events.back().time, 50u);
}

TEST(ScoreTrackConversion, DataEndingInsideAnEventStopsWithoutIt) {
    // The gate is missing: no note; the duration read so far still sets the end time.
    auto events = ConvertScore({0, 0x21, 1, 9, 0x22});
    ASSERT_EQ(events.size(), 6u);
    EXPECT_EQ(events.back().time, 10u);
    // An exclusive body running past the end.
    events = ConvertScore({0, 0xFF, 0xF0, 9, 0x43, 0x03, 0x90, 1, 2});
    EXPECT_EQ(events.size(), 4u);
    // A two-byte duration cut in half, a control without its value.
    EXPECT_EQ(ConvertScore({0x81}).size(), 4u);
    EXPECT_EQ(ConvertScore({0, 0x00, 0x30}).size(), 4u);
    // Three zero bytes at the very end are no end mark: they read as a short-form expression event.
    EXPECT_EQ(ConvertScore({0, 0x21, 1, 0, 0, 0}).size(), 7u);
}

TEST(ScoreTrackConversion, EventsBeyondCapacityAreDropped) {
    EXPECT_EQ(ConvertScore({0, 0x21, 1, 0, 0x22, 1}, 1, nullptr, 3).size(), 3u);
}

TEST(AudioTrackConversion, WaveNotesVolumeAndSkippedEvents) {
    smaf::AudioSequence sequence;
    sequence.WaveVolume(1, 0xC0);
    sequence.Wave(2, 5, 4);
    const Bytes bytes = [&] {
        Bytes b = sequence.bytes();
        smaf::AppendBytes(b, {3, 0x00, 0x12, 1, 0xFF, 0x07, 0, 0, 0, 0});
        return b;
    }();
    EXPECT_THAT(ConvertAudio(bytes), ::testing::ElementsAre(IsEvent(2, PackMessage(0xF1, 9, 0, 0xC0)),
                                                            IsEvent(6, PackMessage(0xF1, 7, 0, 5)),
                                                            IsEvent(26, PackMessage(0xF1, 8, 0))));
}

}  // namespace
}  // namespace cantavo
