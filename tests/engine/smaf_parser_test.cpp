#include "engine/smaf_parser.h"

#include <gtest/gtest.h>

#include "smaf_writer/smaf_writer.h"

namespace cantavo {
namespace {

using smaf::Bytes;

Bytes ScoreFile(uint8_t number, const Bytes& sequence, uint8_t format = 0) {
    smaf::ScoreTrackContent track;
    track.number = number;
    track.format = format;
    track.sequence = sequence;
    return smaf::SmafFile({smaf::ScoreTrackChunk(track)});
}

FileBytes View(const Bytes& bytes) {
    return FileBytes(bytes.data(), bytes.size());
}

TEST(SmafParser, RecognisesTheFileChunkOnly) {
    const Bytes file = ScoreFile(1, {0, 0x21, 10});
    EXPECT_TRUE(IsSmafFile(View(file)));
    Bytes other = file;
    other[3] = 'X';
    EXPECT_FALSE(IsSmafFile(View(other)));
    EXPECT_FALSE(IsSmafFile(View(Bytes{'M', 'M', 'M'})));
}

TEST(SmafParser, TimebaseCodes) {
    const std::pair<uint8_t, uint32_t> expected[] = {{0x00, 1},  {0x01, 2},  {0x02, 4},  {0x03, 5},
                                                     {0x10, 10}, {0x11, 20}, {0x12, 40}, {0x13, 50},
                                                     {0x05, 4},  {0xFF, 4}};
    for (const auto& [code, ms] : expected) EXPECT_EQ(TimebaseMs(code), ms) << int(code);
}

TEST(SmafParser, ScoreTrackRecordsPointIntoTheFile) {
    smaf::ScoreTrackContent content;
    content.number = 3;
    content.timebase_d = smaf::kTimebase20Ms;
    content.timebase_g = smaf::kTimebase50Ms;
    content.setup = Bytes{0xFF, 0xF0, 1, 0x43};
    content.sequence = Bytes{0, 0x21, 10, 0, 0, 0, 0};
    content.seek_phrase = smaf::SeekPhrase(1234, 0x01020304);
    const Bytes file = smaf::SmafFile({smaf::ScoreTrackChunk(content)});
    const std::optional<ScoreTrack> track = ReadScoreTrack(View(file), 3);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->number, 3);
    EXPECT_EQ(track->timebase_d_ms, 20u);
    EXPECT_EQ(track->timebase_g_ms, 50u);
    EXPECT_EQ(track->start_point, 1234u);
    EXPECT_EQ(track->stop_point, 0x01020304u);
    ASSERT_EQ(track->sequence.size, 7u);
    EXPECT_EQ(Bytes(file.begin() + track->sequence.offset, file.begin() + track->sequence.offset + 7),
              *content.sequence);
    ASSERT_EQ(track->setup.size, 4u);
    EXPECT_EQ(file[track->setup.offset + 3], 0x43);
    EXPECT_FALSE(ReadScoreTrack(View(file), 1));
}

TEST(SmafParser, SeekPointsDefaultWhenAbsent) {
    smaf::ScoreTrackContent content;
    content.sequence = Bytes{0, 0x21, 10};
    content.seek_phrase = smaf::SeekPhrase(std::nullopt, 500);
    std::optional<ScoreTrack> track =
        ReadScoreTrack(View(smaf::SmafFile({smaf::ScoreTrackChunk(content)})), 1);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->start_point, 0u);
    EXPECT_EQ(track->stop_point, 500u);
    content.seek_phrase = smaf::SeekPhrase(77, std::nullopt);
    track = ReadScoreTrack(View(smaf::SmafFile({smaf::ScoreTrackChunk(content)})), 1);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->start_point, 77u);
    EXPECT_EQ(track->stop_point, 0xFFFFFFFFu);
    // "st:" needs its comma four bytes later.
    content.seek_phrase = Bytes{'s', 't', ':', 0, 0, 0, 9, ';'};
    track = ReadScoreTrack(View(smaf::SmafFile({smaf::ScoreTrackChunk(content)})), 1);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->start_point, 0u);
}

TEST(SmafParser, ScoreTrackNeedsFormatZeroAndSequenceData) {
    EXPECT_FALSE(ReadScoreTrack(View(ScoreFile(1, {0, 0x21, 10}, 1)), 1));
    EXPECT_FALSE(ReadScoreTrack(View(ScoreFile(1, {})), 1));
    smaf::ScoreTrackContent no_sequence;
    no_sequence.setup = Bytes{1, 2, 3};
    EXPECT_FALSE(ReadScoreTrack(View(smaf::SmafFile({smaf::ScoreTrackChunk(no_sequence)})), 1));
}

TEST(SmafParser, FormatOneTrackHidesALaterTrackOfTheSameNumber) {
    smaf::ScoreTrackContent bad;
    bad.format = 1;
    bad.sequence = Bytes{0, 0x21, 10};
    smaf::ScoreTrackContent good = bad;
    good.format = 0;
    EXPECT_FALSE(
        ReadScoreTrack(View(smaf::SmafFile({smaf::ScoreTrackChunk(bad), smaf::ScoreTrackChunk(good)})), 1));
    EXPECT_TRUE(
        ReadScoreTrack(View(smaf::SmafFile({smaf::ScoreTrackChunk(good), smaf::ScoreTrackChunk(bad)})), 1));
}

TEST(SmafParser, LaterSubChunkReplacesEarlierOne) {
    Bytes body = {0, 0, 2, 2, 0, 0};
    smaf::AppendBytes(body, smaf::Chunk("Mtsq", Bytes{1, 2, 3}));
    smaf::AppendBytes(body, smaf::Chunk("Mtsq", Bytes{4, 5}));
    const Bytes file = smaf::SmafFile({smaf::Chunk("MTR", 1, body)});
    const std::optional<ScoreTrack> track = ReadScoreTrack(View(file), 1);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->sequence.size, 2u);
    EXPECT_EQ(file[track->sequence.offset], 4);
}

TEST(SmafParser, AudioTrackWaveTypesAndWaveNumbers) {
    smaf::AudioTrackContent content;
    content.sequence = Bytes{0, 1, 10};
    content.waves = {{0, {1}}, {1, {2, 2}}, {62, {3}}, {63, {4}}};
    for (const auto& [type, rate] : {std::pair<uint8_t, uint32_t>{0x10, 4000}, {0x11, 8000}}) {
        content.wave_type = type;
        const std::optional<AudioTrack> track =
            ReadAudioTrack(View(smaf::SmafFile({smaf::AudioTrackChunk(content)})));
        ASSERT_TRUE(track);
        EXPECT_EQ(track->sample_rate, rate);
        std::vector<uint8_t> numbers;
        for (const WaveChunk& wave : track->waves) numbers.push_back(wave.wave);
        EXPECT_EQ(numbers, (std::vector<uint8_t>{62, 1}));  // newest first, 0 and 63 ignored
        EXPECT_EQ(track->waves.front().data.size, 1u);
    }
    for (const uint8_t refused : {0x12, 0x21, 0x00}) {
        content.wave_type = refused;
        EXPECT_FALSE(ReadAudioTrack(View(smaf::SmafFile({smaf::AudioTrackChunk(content)})))) << int(refused);
    }
    content.wave_type = 0x11;
    content.format = 2;
    EXPECT_FALSE(ReadAudioTrack(View(smaf::SmafFile({smaf::AudioTrackChunk(content)}))));
}

TEST(SmafParser, AudioTrackNeedsSequenceAndHeader) {
    smaf::AudioTrackContent content;
    content.waves = {{1, {2}}};
    EXPECT_FALSE(ReadAudioTrack(View(smaf::SmafFile({smaf::AudioTrackChunk(content)}))));
    EXPECT_FALSE(ReadAudioTrack(View(smaf::SmafFile({smaf::Chunk("ATR", 0, Bytes{0, 0})}))));
}

// Sizes that run past the container are clipped; the next header is still looked for at the declared end.
TEST(SmafParser, OversizedChunksAreClippedToTheFile) {
    Bytes body = {0, 0, 2, 2, 0, 0};
    smaf::AppendBytes(body, smaf::Chunk("Mtsq", Bytes{0, 0x21, 10, 0, 0x22}));
    Bytes file = smaf::SmafFile({smaf::Chunk("MTR", 1, body)});
    // Declare the sequence 1000 bytes long: it ends with the file.
    const size_t mtsq_size_at = file.size() - 5 - 4;
    file[mtsq_size_at + 2] = 0x03;
    file[mtsq_size_at + 3] = 0xE8;
    // And the track chunk too.
    const size_t mtr_size_at = file.size() - body.size() - 4;
    file[mtr_size_at] = 0x7F;
    std::optional<ScoreTrack> track = ReadScoreTrack(View(file), 1);
    ASSERT_TRUE(track);
    EXPECT_EQ(track->sequence.size, 5u);
    EXPECT_EQ(track->sequence.offset + track->sequence.size, file.size());

    // A size that would wrap a 32-bit offset finds nothing after it.
    smaf::ScoreTrackContent content;
    content.sequence = Bytes{0, 0x21, 10};
    Bytes wrapping = smaf::SmafFile({smaf::Chunk("XXXX", Bytes{1}), smaf::ScoreTrackChunk(content)});
    wrapping[8 + 13 + 4] = 0xFF;
    wrapping[8 + 13 + 5] = 0xFF;
    wrapping[8 + 13 + 6] = 0xFF;
    wrapping[8 + 13 + 7] = 0xF8;
    EXPECT_FALSE(ReadScoreTrack(View(wrapping), 1));
}

TEST(SmafParser, TrackChunkWithoutFormatByteIsNotFound) {
    Bytes file = smaf::SmafFile({});
    smaf::AppendBytes(file, Bytes{'M', 'T', 'R', 1, 0, 0, 0, 6});
    EXPECT_FALSE(ReadScoreTrack(View(file), 1));
    Bytes audio = smaf::SmafFile({});
    smaf::AppendBytes(audio, Bytes{'A', 'T', 'R', 0, 0, 0, 0, 9, 0, 0});
    EXPECT_FALSE(ReadAudioTrack(View(audio)));
}

TEST(SmafParser, SetupDataScan) {
    const Bytes setup = {0x12, 0xFF, 0x01, 0xFF, 0xF0, 2, 0xAA, 0xBB, 0x00,
                         0xFF, 0xF0, 0,    0xFF, 0xF0, 5, 1,    2};
    std::vector<Bytes> bodies;
    ScanSetupData(View(setup), FileRange{0, static_cast<uint32_t>(setup.size())}, [&](FileRange body) {
        bodies.emplace_back(setup.begin() + body.offset, setup.begin() + body.offset + body.size);
    });
    // The last exclusive ends inside its body and is not handed on.
    EXPECT_EQ(bodies, (std::vector<Bytes>{{0xAA, 0xBB}, {}}));
}

}  // namespace
}  // namespace cantavo
