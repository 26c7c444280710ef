// The writer is checked against the engine's own reading of what it writes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "engine/smaf_parser.h"
#include "engine/smaf_track_converter.h"
#include "engine/voice_exclusive.h"
#include "smaf_writer/sequence_writer.h"
#include "smaf_writer/voice_writer.h"

namespace cantavo {
namespace {

using smaf::Bytes;

class NullTarget final : public CSequencerTarget {
public:
    void ProcessMessage(const uint8_t*, uint32_t) override {}
    void SetSongVoice(const uint8_t*) override {}
    void LoadSongWave(uint8_t, const uint8_t*, uint32_t, uint32_t) override {}
    void StopWaveVoice() override {}
    void KeyOffRegisterNotes() override {}
    void Render(int16_t*, uint32_t) override {}
};

std::vector<SeqEvent> Convert(const Bytes& sequence) {
    ScoreTrack track;
    track.number = 1;
    track.sequence = FileRange{0, static_cast<uint32_t>(sequence.size())};
    track.timebase_d_ms = track.timebase_g_ms = 1;
    OctaveShifts shifts{};
    CEventList list;
    list.Allocate(static_cast<uint32_t>(sequence.size()) + 4);
    NullTarget target;
    ConvertScoreTrack(FileBytes(sequence.data(), sequence.size()), track, shifts, list, target);
    std::vector<SeqEvent> events;
    for (uint32_t i = 0; i < list.Count(); ++i) events.push_back(list[i]);
    return events;
}

TEST(SmafWriter, NumbersOfOneAndTwoBytes) {
    const std::pair<uint32_t, Bytes> cases[] = {
        {0, {0x00}}, {127, {0x7F}}, {128, {0x80, 0x00}}, {261, {0x81, 0x05}}, {16511, {0xFF, 0x7F}}};
    for (const auto& [value, bytes] : cases) {
        Bytes out;
        smaf::AppendNumber(out, value);
        EXPECT_EQ(out, bytes) << value;
    }
}

TEST(SmafWriter, EveryNoteReadsBackWithItsTimeAndGate) {
    smaf::ScoreSequence sequence;
    for (int note = 0; note < 128; ++note)
        sequence.Note(note == 0 ? 0 : 300, note % 4, static_cast<uint8_t>(note), 200);
    sequence.End();
    const std::vector<SeqEvent> events = Convert(sequence.bytes());
    ASSERT_EQ(events.size(), 2u * 128u + 4u);
    for (uint32_t note = 0; note < 128; ++note) {
        const SeqEvent& on = events[2 * note];
        EXPECT_EQ(on.time, note * 300) << note;
        EXPECT_EQ(on.message,
                  PackMessage(static_cast<uint8_t>(0x90 | (note % 4)), static_cast<uint8_t>(note), 127))
            << note;
        EXPECT_EQ(events[2 * note + 1].time, note * 300 + 200) << note;
    }
}

// Downwards on channel 0 a C lands on note code 0 of the octave shift in force unless the writer shifts
// again: its event byte would be 0x00, which reads as a control event.
TEST(SmafWriter, NotesGoingDownOnChannel0ReadBack) {
    smaf::ScoreSequence sequence;
    for (int note = 127; note >= 0; --note)
        sequence.Note(note == 127 ? 0 : 300, 0, static_cast<uint8_t>(note), 200);
    sequence.End();
    const std::vector<SeqEvent> events = Convert(sequence.bytes());
    ASSERT_EQ(events.size(), 2u * 128u + 4u);
    for (uint32_t i = 0; i < 128; ++i) {
        EXPECT_EQ(events[2 * i].time, i * 300) << i;
        EXPECT_EQ(events[2 * i].message, PackMessage(0x90, static_cast<uint8_t>(127 - i), 127)) << i;
    }
}

TEST(SmafWriter, ExpressionZeroOnChannel0IsNoEndMark) {
    smaf::ScoreSequence sequence;
    sequence.ShortExpression(0, 0, 0);
    sequence.Note(0, 0, 60, 10);
    sequence.End();
    const std::vector<SeqEvent> events = Convert(sequence.bytes());
    ASSERT_EQ(events.size(), 3u + 4u);
    EXPECT_EQ(events[0].message, PackMessage(0xB0, 11, 0));
    EXPECT_EQ(events[1].message, PackMessage(0x90, 60, 127));
}

TEST(SmafWriter, ControlsReadBackAsTheirMessages) {
    smaf::ScoreSequence sequence;
    sequence.Program(0, 1, 42);
    sequence.BankSelect(0, 2, 0x83);
    sequence.Volume(10, 3, 99);
    sequence.Pan(0, 0, 12);
    sequence.Expression(0, 0, 77);
    sequence.PitchBend(0, 0, 80);
    sequence.ShortPitchBend(0, 1, 8);
    sequence.RegisterWrite(0, 0xB3, 0x12);
    sequence.End();
    EXPECT_THAT(
        Convert(sequence.bytes()),
        ::testing::ElementsAre(::testing::Field(&SeqEvent::message, PackMessage(0xC1, 42)),
                               ::testing::Field(&SeqEvent::message, PackMessage(0xB2, 32, 13)),
                               ::testing::Field(&SeqEvent::message, PackMessage(0xB3, 7, 99)),
                               ::testing::Field(&SeqEvent::message, PackMessage(0xB0, 10, 12)),
                               ::testing::Field(&SeqEvent::message, PackMessage(0xB0, 11, 77)),
                               ::testing::Field(&SeqEvent::message, PackMessage(0xE0, 0, 80)),
                               ::testing::Field(&SeqEvent::message, PackMessage(0xE1, 0, 64)),
                               ::testing::Field(&SeqEvent::message, PackMessage(0xF0, 0x40, 0x33, 0x12)),
                               ::testing::_, ::testing::_, ::testing::_, ::testing::_));
}

TEST(SmafWriter, PackedOperatorUnpacksToTheSameFields) {
    const OperatorParams op = {.multiple = 13,
                               .vibrato = 1,
                               .sustained = 0,
                               .hold_release = 1,
                               .rate_scaling = 1,
                               .release_rate = 9,
                               .decay_rate = 4,
                               .attack_rate = 15,
                               .sustain_level = 2,
                               .total_level = 45,
                               .key_scale_level = 3,
                               .spare_bits = 2,
                               .tremolo_depth = 1,
                               .tremolo = 1,
                               .waveform = 6};
    const auto packed = smaf::PackOperator(op);
    const OperatorParams back = UnpackOperator(packed.data());
    EXPECT_EQ(std::memcmp(&op, &back, sizeof op), 0);
}

TEST(SmafWriter, LongFormVoiceDecodesToTheVoiceWritten) {
    smaf::VoiceDefinition voice;
    voice.lfo_rate = 2;
    voice.feedback = 5;
    voice.algorithm = 6;
    voice.octave_code = 3;
    for (uint8_t k = 0; k < 4; ++k) voice.op[k].total_level = static_cast<uint8_t>(10 * k + 1);
    const Bytes body = smaf::LongFormVoice(0x82, 17, voice);
    const std::optional<SongVoice> decoded =
        DecodeVoiceExclusive(body.data(), static_cast<uint32_t>(body.size()));
    ASSERT_TRUE(decoded);
    EXPECT_EQ((*decoded)[1], 32);  // drum song bank 30 + 2
    EXPECT_EQ((*decoded)[2], 17);
    EXPECT_EQ((*decoded)[3], (2 << 6) | (5 << 3) | 6);
    EXPECT_EQ((*decoded)[4], 3);
    for (uint8_t k = 0; k < 4; ++k)
        EXPECT_EQ(UnpackOperator(decoded->data() + 5 + 5 * k).total_level, 10 * k + 1);
}

TEST(SmafWriter, FileAndTrackChunksAsTheParserReadsThem) {
    smaf::ScoreTrackContent score;
    score.number = 4;
    score.timebase_d = smaf::kTimebase50Ms;
    score.sequence = Bytes{0, 0x21, 1};
    smaf::AudioTrackContent audio;
    audio.wave_type = smaf::kWaveType4000Hz;
    audio.sequence = Bytes{0, 1, 1};
    audio.waves = {{7, {1, 2, 3}}};
    const Bytes file = smaf::SmafFile({smaf::ScoreTrackChunk(score), smaf::AudioTrackChunk(audio)});
    const FileBytes view(file.data(), file.size());
    ASSERT_TRUE(IsSmafFile(view));
    EXPECT_EQ(file.size(), 8u + ((uint32_t{file[4]} << 24) | (file[5] << 16) | (file[6] << 8) | file[7]));
    const std::optional<ScoreTrack> track = ReadScoreTrack(view, 4);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->timebase_d_ms, 50u);
    const std::optional<AudioTrack> audio_track = ReadAudioTrack(view);
    ASSERT_TRUE(audio_track);
    EXPECT_EQ(audio_track->sample_rate, 4000u);
    ASSERT_FALSE(audio_track->waves.empty());
    EXPECT_EQ(audio_track->waves.front().wave, 7);
    EXPECT_EQ(audio_track->waves.front().data.size, 3u);
}

}  // namespace
}  // namespace cantavo
