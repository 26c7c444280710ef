#include "engine/smaf_sequencer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "smaf_writer/sequence_writer.h"
#include "smaf_writer/voice_writer.h"
#include "tests/engine/recording_target.h"

namespace cantavo {
namespace {

using smaf::Bytes;
using ::testing::ElementsAre;

// A score track whose only note, on track channel 0, starts `at_ms` in (1 ms ticks).
Bytes TrackWithNote(uint8_t number, uint32_t at_ms, uint8_t note = 60) {
    smaf::ScoreSequence sequence;
    sequence.Note(at_ms, 0, note, 1);
    sequence.End();
    smaf::ScoreTrackContent content;
    content.number = number;
    content.timebase_d = content.timebase_g = smaf::kTimebase1Ms;
    content.sequence = sequence.bytes();
    return smaf::ScoreTrackChunk(content);
}

class SequencerTest : public ::testing::Test {
protected:
    void Load(const Bytes& file) { sequencer.AppendData(file.data(), static_cast<uint32_t>(file.size())); }

    std::vector<uint8_t> TrackNumbers() const {
        std::vector<uint8_t> numbers;
        for (const ScoreTrack& track : sequencer.ScoreTracks()) numbers.push_back(track.number);
        return numbers;
    }

    std::vector<uint32_t> EventMessages() const {
        std::vector<uint32_t> messages;
        for (uint32_t i = 0; i < sequencer.Events().Count(); ++i)
            messages.push_back(sequencer.Events()[i].message);
        return messages;
    }

    CRecordingTarget target;
    CSmafSequencer sequencer{target};
};

TEST_F(SequencerTest, AppendedDataIsConcatenated) {
    const Bytes a(10, 0xAA), b(20, 0xBB);
    Load(a);
    Load(b);
    ASSERT_EQ(sequencer.File().size(), 30u);
    EXPECT_EQ(sequencer.File()[9], 0xAA);
    EXPECT_EQ(sequencer.File()[10], 0xBB);
    sequencer.AppendData(nullptr, 5);
    EXPECT_EQ(sequencer.File().size(), 0u);
}

TEST_F(SequencerTest, ParseRefusesWithoutDataOrSmaf) {
    EXPECT_EQ(sequencer.Parse(), 0);
    Bytes file = smaf::SmafFile({TrackWithNote(1, 0)});
    file[0] = 'N';
    Load(file);
    EXPECT_EQ(sequencer.Parse(), 0);
    sequencer.Release();
    Load(smaf::SmafFile({smaf::Chunk("MTR", 5, Bytes{0, 0, 0, 0, 0, 0})}));
    EXPECT_EQ(sequencer.Parse(), 0);
}

TEST_F(SequencerTest, ScoreTracksOneToFourWinOverTrackZero) {
    Load(smaf::SmafFile({TrackWithNote(0, 0), TrackWithNote(4, 0), TrackWithNote(2, 0)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    EXPECT_THAT(TrackNumbers(), ElementsAre(2, 4));
    EXPECT_EQ(sequencer.LevelFlag(), 1);
}

TEST_F(SequencerTest, TrackZeroAloneKeepsTheLowMasterLevelUnlessThereIsAudio) {
    Load(smaf::SmafFile({TrackWithNote(0, 0)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    EXPECT_THAT(TrackNumbers(), ElementsAre(0));
    EXPECT_EQ(sequencer.LevelFlag(), 0);
    sequencer.Release();

    smaf::AudioSequence audio;
    audio.Wave(0, 1, 1);
    smaf::AudioTrackContent content;
    content.sequence = audio.bytes();
    Load(smaf::SmafFile({TrackWithNote(0, 0), smaf::AudioTrackChunk(content)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    EXPECT_EQ(sequencer.LevelFlag(), 1);
    EXPECT_EQ(std::distance(sequencer.AudioTracks().begin(), sequencer.AudioTracks().end()), 1);
}

TEST_F(SequencerTest, EqualTimesKeepTrackOrderAfterTheSort) {
    // Track 2's note comes first in time; at equal times track 1 precedes track 2 and score precedes audio.
    smaf::AudioSequence audio;
    audio.Wave(5, 1, 1);
    smaf::AudioTrackContent content;
    content.timebase_d = content.timebase_g = smaf::kTimebase1Ms;
    content.sequence = audio.bytes();
    Load(smaf::SmafFile({smaf::AudioTrackChunk(content), TrackWithNote(2, 5, 62), TrackWithNote(1, 5, 61)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    const std::vector<uint32_t> messages = EventMessages();
    ASSERT_GE(messages.size(), 3u);
    EXPECT_EQ(messages[0], PackMessage(0x90, 61, 127));
    EXPECT_EQ(messages[1], PackMessage(0x94, 62, 127));
    EXPECT_EQ(messages[2], PackMessage(0xF1, 7, 0, 1));
    for (uint32_t i = 1; i < sequencer.Events().Count(); ++i)
        EXPECT_LE(sequencer.Events()[i - 1].time, sequencer.Events()[i].time);
}

TEST_F(SequencerTest, StartSendsTheResetMessagesInOrder) {
    Load(smaf::SmafFile({TrackWithNote(1, 10)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    ASSERT_EQ(sequencer.Start(0), 1);
    ASSERT_EQ(target.messages.size(), 2u + 16u * 8u);
    EXPECT_EQ(target.messages[0], (std::vector<uint8_t>{0xF0, 0x43, 0x79, 0x05, 0x7F, 0x0B, 0x01, 0xF7}));
    EXPECT_EQ(target.messages[1], (std::vector<uint8_t>{0xF0, 0x43, 0x79, 0x05, 0x7F, 0x0A, 0x40, 0xF7}));
    for (uint8_t n = 0; n < 16; ++n) {
        const auto* m = &target.messages[2 + 8 * n];
        const uint8_t b = static_cast<uint8_t>(0xB0 | n);
        EXPECT_EQ(m[0], (std::vector<uint8_t>{b, 0x37, 0x01}));
        EXPECT_EQ(m[1], (std::vector<uint8_t>{b, 0x00, 0x7C}));
        EXPECT_EQ(m[2], (std::vector<uint8_t>{b, 0x20, 0x00}));
        EXPECT_EQ(m[3], (std::vector<uint8_t>{static_cast<uint8_t>(0xC0 | n), 0x00}));
        EXPECT_EQ(m[4], (std::vector<uint8_t>{b, 0x07, 0x7F}));
        EXPECT_EQ(m[5], (std::vector<uint8_t>{b, 0x0B, 0x7F}));
        EXPECT_EQ(m[6], (std::vector<uint8_t>{b, 0x0A, 0x40}));
        EXPECT_EQ(m[7], (std::vector<uint8_t>{0xF0, 0x43, 0x79, 0x05, 0x7F, 0x09, n, 100, 0xF7}));
    }
    EXPECT_EQ(sequencer.Start(0), 0);  // already playing
}

TEST_F(SequencerTest, TrackZeroStartsAtMasterLevelMinus18) {
    Load(smaf::SmafFile({TrackWithNote(0, 10)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    ASSERT_EQ(sequencer.Start(0), 1);
    EXPECT_EQ(target.messages[1][6], 0x2E);
}

TEST_F(SequencerTest, StartDefinesSetupVoicesAndLoadsWaves) {
    smaf::VoiceDefinition voice;
    voice.algorithm = 1;
    smaf::ScoreTrackContent score;
    score.sequence = Bytes{0, 0x21, 1};
    score.setup = smaf::SetupData({smaf::LongFormVoice(3, 7, voice)});
    smaf::AudioSequence audio;
    audio.Wave(0, 2, 1);
    smaf::AudioTrackContent content;
    content.wave_type = smaf::kWaveType4000Hz;
    content.sequence = audio.bytes();
    content.waves = {{2, {0x12, 0x34}}, {9, {0x56}}};
    Load(smaf::SmafFile({smaf::ScoreTrackChunk(score), smaf::AudioTrackChunk(content)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    EXPECT_TRUE(target.song_voices.empty());  // setup voices wait for the start
    ASSERT_EQ(sequencer.Start(0), 1);
    ASSERT_EQ(target.song_voices.size(), 1u);
    EXPECT_EQ(target.song_voices[0][1], 23);
    EXPECT_EQ(target.song_voices[0][2], 7);
    ASSERT_EQ(target.waves.size(), 2u);
    EXPECT_EQ(target.waves[0].wave, 9);  // the wave list holds the file's last chunk first
    EXPECT_EQ(target.waves[1].wave, 2);
    EXPECT_EQ(target.waves[1].data, (Bytes{0x12, 0x34}));
    EXPECT_EQ(target.waves[1].rate, 4000u);
}

TEST_F(SequencerTest, PlayDueEventsPlaysUpToTheGivenTime) {
    smaf::ScoreSequence sequence;  // events at 0, 0 and 5 ms: two controls, then a control at 5
    sequence.Volume(0, 0, 1);
    sequence.Volume(0, 1, 2);
    sequence.Volume(5, 2, 3);
    smaf::ScoreTrackContent content;
    content.timebase_d = smaf::kTimebase1Ms;
    content.sequence = sequence.bytes();
    Load(smaf::SmafFile({smaf::ScoreTrackChunk(content)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    EXPECT_EQ(sequencer.PlayDueEvents(100), 0);  // not playing
    ASSERT_EQ(sequencer.Start(0), 1);
    target.messages.clear();
    EXPECT_EQ(sequencer.PlayDueEvents(0), 1);
    EXPECT_THAT(target.messages, ElementsAre(ElementsAre(0xB0, 7, 1, 0), ElementsAre(0xB1, 7, 2, 0)));
    EXPECT_EQ(sequencer.PlayDueEvents(4), 1);
    EXPECT_EQ(target.messages.size(), 2u);
    // At 5 the last control and the four end events are due.
    EXPECT_EQ(sequencer.PlayDueEvents(5), 0);
    EXPECT_EQ(target.messages.size(), 7u);
    EXPECT_EQ(sequencer.DispatchNextEvent(), 0);
}

TEST_F(SequencerTest, DispatchTurnsEngineEventsIntoExclusives) {
    smaf::ScoreSequence score;
    score.RegisterWrite(0, 0xC3, 0xA5);
    smaf::ScoreTrackContent score_track;
    score_track.sequence = score.bytes();
    smaf::AudioSequence audio;
    audio.WaveVolume(0, 0x90);
    audio.Wave(1, 7, 1);
    smaf::AudioTrackContent audio_track_content;
    audio_track_content.timebase_d = audio_track_content.timebase_g = smaf::kTimebase1Ms;
    audio_track_content.sequence = audio.bytes();
    Load(smaf::SmafFile({smaf::ScoreTrackChunk(score_track), smaf::AudioTrackChunk(audio_track_content)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    ASSERT_EQ(sequencer.Start(0), 1);
    target.messages.clear();
    sequencer.PlayDueEvents(1000);
    EXPECT_THAT(target.messages,
                ElementsAre(ElementsAre(0xF0, 0x43, 0x79, 0x05, 0x7F, 0x03, 0x60, 0x43, 0x25, 0xF7),
                            ElementsAre(0xB0, 0x78, 0, 0), ElementsAre(0xB1, 0x78, 0, 0),
                            ElementsAre(0xB2, 0x78, 0, 0), ElementsAre(0xB3, 0x78, 0, 0),
                            ElementsAre(0xF0, 0x43, 0x79, 0x05, 0x7F, 0x09, 0, 0x90, 0xF7),
                            ElementsAre(0xF0, 0x43, 0x79, 0x05, 0x7F, 0x07, 0, 7, 0x80, 0x00, 0xF7),
                            ElementsAre(0xF0, 0x43, 0x79, 0x05, 0x7F, 0x08, 0, 0xF7)));
}

TEST_F(SequencerTest, StopSilencesEveryChannelOnce) {
    Load(smaf::SmafFile({TrackWithNote(1, 10)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    sequencer.Stop();  // not playing: nothing
    EXPECT_TRUE(target.messages.empty());
    ASSERT_EQ(sequencer.Start(0), 1);
    target.messages.clear();
    sequencer.Stop();
    ASSERT_EQ(target.messages.size(), 16u);
    for (uint8_t n = 0; n < 16; ++n)
        EXPECT_EQ(target.messages[n], (std::vector<uint8_t>{static_cast<uint8_t>(0xB0 | n), 0x78}));
    EXPECT_EQ(target.wave_stops, 1);
    EXPECT_EQ(target.register_key_offs, 1);
    EXPECT_EQ(sequencer.IsPlaying(), 0);
    sequencer.Stop();
    EXPECT_EQ(target.messages.size(), 16u);
    EXPECT_EQ(target.register_key_offs, 1);
}

TEST_F(SequencerTest, SeekPlaysEarlierEventsAndRendersOnToThePoint) {
    Load(smaf::SmafFile({TrackWithNote(1, 100), TrackWithNote(2, 1000)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    ASSERT_EQ(sequencer.Start(500), 1);
    // Note on at 100, note off and track 1's end events at 101: rendered on from 101 to 500 ms.
    EXPECT_EQ(sequencer.NextEvent(), 6u);
    EXPECT_THAT(target.rendered_frames, ElementsAre(399u * 22050 / 1000));
    sequencer.Stop();
    target.rendered_frames.clear();
    // Beyond the last event (the end events at 1001).
    EXPECT_EQ(sequencer.Start(1002), 0);
    EXPECT_TRUE(target.rendered_frames.empty());
    sequencer.Stop();
    EXPECT_EQ(sequencer.Start(1001), 1);
}

TEST_F(SequencerTest, DataAppendedAfterParsingLeavesTheTracksIntact) {
    smaf::ScoreTrackContent score;
    score.sequence = Bytes{0, 0x21, 1};
    score.setup = smaf::SetupData({smaf::LongFormVoice(1, 1, {})});
    Load(smaf::SmafFile({smaf::ScoreTrackChunk(score)}));
    ASSERT_EQ(sequencer.Parse(), 1);
    Load(Bytes(100000, 0x00));  // moves the file copy
    ASSERT_EQ(sequencer.Start(0), 1);
    ASSERT_EQ(target.song_voices.size(), 1u);
    EXPECT_EQ(target.song_voices[0][1], 21);
}

}  // namespace
}  // namespace cantavo
