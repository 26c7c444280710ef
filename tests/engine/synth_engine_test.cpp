#include "engine/synth_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "engine/synth.h"
#include "smaf_writer/sequence_writer.h"
#include "smaf_writer/voice_writer.h"
#include "tests/songs/test_songs.h"

namespace cantavo {
namespace {

using smaf::Bytes;

constexpr uint8_t kSongBank = 1;  // song bank 21: empty unless the song defines a voice there

// A pure sine: two unmodulated operators at multiple 1, the second one nearly silent; full attack, held.
smaf::VoiceDefinition SineVoice(uint8_t release_rate = 15) {
    smaf::VoiceDefinition voice;
    voice.algorithm = 1;
    voice.op[0].multiple = voice.op[1].multiple = 1;
    voice.op[0].attack_rate = voice.op[1].attack_rate = 15;
    voice.op[0].sustained = voice.op[1].sustained = 1;
    voice.op[0].release_rate = voice.op[1].release_rate = release_rate;
    voice.op[1].total_level = 63;
    return voice;
}

struct SongNote {
    uint32_t at_ms;
    uint8_t note;
    uint32_t length_ms;
};

// Channel 0 of track 1 plays the notes with the sine voice of song bank 21 (10 ms ticks). Without the voice
// definition the channel has no voice at all.
Bytes SineSong(const std::vector<SongNote>& notes, bool define_voice = true, uint32_t tail_ms = 0,
               uint8_t release_rate = 15) {
    smaf::ScoreSequence sequence;
    sequence.BankSelect(0, 0, kSongBank);
    sequence.Program(0, 0, 0);
    uint32_t now = 0;
    for (const SongNote& note : notes) {
        sequence.Note((note.at_ms - now) / 10, 0, note.note, note.length_ms / 10);
        now = note.at_ms;
    }
    if (tail_ms != 0) sequence.Rest(tail_ms / 10);
    sequence.End();
    smaf::ScoreTrackContent track;
    track.timebase_d = track.timebase_g = smaf::kTimebase10Ms;
    if (define_voice)
        track.setup = smaf::SetupData({smaf::LongFormVoice(kSongBank, 0, SineVoice(release_rate))});
    track.sequence = sequence.bytes();
    return smaf::SmafFile({smaf::ScoreTrackChunk(track)});
}

// Block 4, F-number 580 (0x244): 439.84 Hz. Register C0+ch: bits 4-2 block, 1-0 F-number bits 9-8, bit 5 key.
constexpr uint8_t kFnumLow = 0x44;
constexpr uint8_t kBlockFnumHighKeyOn = 0x32;
constexpr uint8_t kBlockFnumHighKeyOff = 0x12;
constexpr uint8_t kRegisterChannel = 1;

// Track 1 keys the slot of channel 1 by register writes at `on_ms` (and off at `off_ms`, unless 0) with the
// sine voice as song bank 20, program 0 (the voice a register key-on sounds in playback); its last event is
// at `end_ms`. Further tracks, numbered 2, 3, ..., hold nothing but their ends at `other_track_ends_ms`.
Bytes RegisterSong(uint32_t on_ms, uint32_t off_ms, uint32_t end_ms,
                   const std::vector<uint32_t>& other_track_ends_ms = {}, uint8_t release_rate = 15) {
    smaf::ScoreSequence sequence;
    sequence.RegisterWrite(on_ms / 10, 0xB0 | kRegisterChannel, kFnumLow);
    sequence.RegisterWrite(0, 0xC0 | kRegisterChannel, kBlockFnumHighKeyOn);
    uint32_t now = on_ms;
    if (off_ms != 0) {
        sequence.RegisterWrite((off_ms - now) / 10, 0xC0 | kRegisterChannel, kBlockFnumHighKeyOff);
        now = off_ms;
    }
    sequence.Rest((end_ms - now) / 10);
    sequence.End();
    smaf::ScoreTrackContent track;
    track.timebase_d = track.timebase_g = smaf::kTimebase10Ms;
    track.setup = smaf::SetupData({smaf::LongFormVoice(0, 0, SineVoice(release_rate))});
    track.sequence = sequence.bytes();
    std::vector<Bytes> chunks = {smaf::ScoreTrackChunk(track)};
    for (uint32_t ends_ms : other_track_ends_ms) {
        smaf::ScoreSequence rest;
        rest.Rest(ends_ms / 10);
        rest.End();
        smaf::ScoreTrackContent other;
        other.number = static_cast<uint8_t>(chunks.size() + 1);
        other.timebase_d = other.timebase_g = smaf::kTimebase10Ms;
        other.sequence = rest.bytes();
        chunks.push_back(smaf::ScoreTrackChunk(other));
    }
    return smaf::SmafFile(chunks);
}

class SynthEngineTest : public ::testing::Test {
protected:
    bool Play(const Bytes& song) {
        engine->SetData(nullptr, 0);
        engine->SetData(song.data(), static_cast<uint32_t>(song.size()));
        return engine->Play() == 1;
    }

    // Renders with calls of `call_bytes` until the song ends (or `max_frames`); returns the left samples.
    std::vector<int16_t> RenderLeft(uint32_t max_frames, uint32_t call_bytes = 8192) {
        std::vector<int16_t> left;
        std::vector<uint8_t> buffer(call_bytes);
        while (left.size() < max_frames) {
            const uint32_t bytes = engine->Render(buffer.data(), call_bytes);
            if (bytes == 0) {
                ended = true;
                break;
            }
            for (uint32_t i = 0; i < bytes; i += 4)
                left.push_back(static_cast<int16_t>(buffer[i] | (buffer[i + 1] << 8)));
        }
        return left;
    }

    static size_t FirstSound(const std::vector<int16_t>& samples, size_t from = 0) {
        for (size_t i = from; i < samples.size(); ++i)
            if (samples[i] != 0) return i;
        return samples.size();
    }

    // Frequency from the rising zero crossings between two frames.
    static double Frequency(const std::vector<int16_t>& samples, size_t from, size_t to) {
        int crossings = 0;
        size_t first = 0, last = 0;
        for (size_t i = from + 1; i < to; ++i) {
            if (samples[i - 1] < 0 && samples[i] >= 0) {
                if (crossings == 0) first = i;
                last = i;
                ++crossings;
            }
        }
        return crossings < 2 ? 0 : (crossings - 1) * double(kFramesPerSecond) / double(last - first);
    }

    static int Peak(const std::vector<int16_t>& samples, size_t from, size_t to) {
        int peak = 0;
        for (size_t i = from; i < to && i < samples.size(); ++i)
            peak = std::max(peak, std::abs(int(samples[i])));
        return peak;
    }

    std::unique_ptr<CSynthEngine> engine = std::make_unique<CSynthEngine>();
    bool ended = false;
};

TEST_F(SynthEngineTest, NoteSoundsAtItsTimeAndPitchWithTheSongsVoice) {
    ASSERT_TRUE(Play(SineSong({{500, 69, 500}})));
    const std::vector<int16_t> left = RenderLeft(3 * kFramesPerSecond);
    // Dispatched at the first 22-frame chunk at or after 500 ms.
    const size_t onset = FirstSound(left);
    EXPECT_GE(onset, MsToFrames(500));
    EXPECT_LE(onset, MsToFrames(500) + 2 * kChunkFrames);
    // Block 4, F-number 580: 439.84 Hz.
    EXPECT_NEAR(Frequency(left, MsToFrames(600), MsToFrames(950)), 439.84, 0.5);
    EXPECT_GT(Peak(left, MsToFrames(600), MsToFrames(950)), 8000);
    // Released at 1000 ms; the song then ends on the first silent chunk.
    EXPECT_TRUE(ended);
    EXPECT_LT(left.size(), MsToFrames(1100));
    EXPECT_EQ(engine->Device().Sequencer().IsPlaying(), 0);
    EXPECT_EQ(engine->Position(), 0u);
}

TEST_F(SynthEngineTest, WithoutTheSetupVoiceTheChannelIsSilent) {
    ASSERT_TRUE(Play(SineSong({{0, 69, 500}}, false)));
    const std::vector<int16_t> left = RenderLeft(kFramesPerSecond);
    EXPECT_EQ(FirstSound(left), left.size());
}

TEST_F(SynthEngineTest, EventsAreDueBetweenChunksOfTheRenderCall) {
    // A note at 10 ms: frame 220.5. In one 4000-byte call the chunks start at multiples of 22 and the first
    // chunk starting at or after 10 ms (t = position x 1000 / 22050 truncated) begins at frame 242.
    ASSERT_TRUE(Play(SineSong({{10, 69, 100}})));
    std::vector<uint8_t> buffer(4000);
    ASSERT_EQ(engine->Render(buffer.data(), 4000), 4000u);
    EXPECT_EQ(engine->Position(), 1000u);
    const auto left_at = [&](size_t frame) {
        return static_cast<int16_t>(buffer[4 * frame] | (buffer[4 * frame + 1] << 8));
    };
    size_t onset = 0;
    while (onset < 1000 && left_at(onset) == 0) ++onset;
    EXPECT_GE(onset, 242u);
    EXPECT_LE(onset, 244u);
    // In 8-byte calls (chunks of 2 frames) the same note starts at frame 222.
    engine = std::make_unique<CSynthEngine>();
    ASSERT_TRUE(Play(SineSong({{10, 69, 100}})));
    const std::vector<int16_t> left = RenderLeft(1000, 8);
    EXPECT_GE(FirstSound(left), 222u);
    EXPECT_LE(FirstSound(left), 224u);
}

TEST_F(SynthEngineTest, DecayIsRenderedOnUntilAWholeChunkIsSilent) {
    // Release rate 5: the note rings on for a while after its note-off at 100 ms, the last event.
    ASSERT_TRUE(Play(SineSong({{0, 69, 100}}, true, 0, 5)));
    const std::vector<int16_t> left = RenderLeft(20 * kFramesPerSecond, 88);  // 22 frames a call
    ASSERT_TRUE(ended);
    EXPECT_GT(left.size(), MsToFrames(200));
    EXPECT_GT(Peak(left, MsToFrames(150), MsToFrames(160)), 0);
    // Every call before the end held sound; the ending chunk (not returned) was the first silent one.
    EXPECT_GT(Peak(left, left.size() - 22, left.size()), 0);
    EXPECT_EQ(engine->Device().Sequencer().IsPlaying(), 0);
}

TEST_F(SynthEngineTest, RenderSizes) {
    ASSERT_TRUE(Play(SineSong({{0, 69, 1000}})));
    uint8_t buffer[16];
    EXPECT_EQ(engine->Render(buffer, 3), 0u);
    EXPECT_EQ(engine->Render(buffer, 10), 8u);
    EXPECT_EQ(engine->Position(), 2u);
}

TEST_F(SynthEngineTest, RepeatRestartsInTheSameCall) {
    // The song's events end at 100 ms; with repeat, one long call renders the note again and again.
    ASSERT_TRUE(Play(SineSong({{0, 69, 100}})));
    engine->SetRepeat(kRepeatSong);
    std::vector<uint8_t> buffer(4 * kFramesPerSecond);
    ASSERT_EQ(engine->Render(buffer.data(), 4 * kFramesPerSecond), 4 * kFramesPerSecond);
    EXPECT_LT(engine->Position(), MsToFrames(110));
    // The note, released after 100 ms, still sounds at the end of the second: it was keyed on again.
    std::vector<int16_t> left;
    for (uint32_t i = 0; i < buffer.size(); i += 4)
        left.push_back(static_cast<int16_t>(buffer[i] | (buffer[i + 1] << 8)));
    EXPECT_GT(Peak(left, MsToFrames(950), MsToFrames(1000)), 8000);
}

TEST_F(SynthEngineTest, LimitedRepeatsPlayTheSongThatOftenAndEnd) {
    ASSERT_TRUE(Play(SineSong({{0, 69, 100}}, true, 400)));
    const size_t once = RenderLeft(10 * kFramesPerSecond).size();
    ASSERT_TRUE(ended);
    ended = false;
    ASSERT_TRUE(Play(SineSong({{0, 69, 100}}, true, 400)));
    engine->SetRepeat(kRepeatSong);
    engine->LimitRestarts(2);
    const std::vector<int16_t> thrice = RenderLeft(10 * kFramesPerSecond);
    ASSERT_TRUE(ended);
    // Three passes of 400 ms of events; the last pass ends like the single one.
    EXPECT_NEAR(double(thrice.size()), double(once + 2 * MsToFrames(400)), 2.0 * 2048);
    EXPECT_GT(Peak(thrice, MsToFrames(800), MsToFrames(850)), 8000);
}

TEST_F(SynthEngineTest, SeekLandsOnASoundingNote) {
    const Bytes song = SineSong({{0, 60, 200}, {1000, 69, 1000}});
    ASSERT_TRUE(Play(song));
    EXPECT_EQ(engine->Seek(1200), 0);
    EXPECT_EQ(engine->Position(), MsToFrames(1200));
    const std::vector<int16_t> left = RenderLeft(kFramesPerSecond / 2);
    // The A is already at full level and pitch: no silence, no attack.
    EXPECT_GT(Peak(left, 0, 200), 8000);
    EXPECT_NEAR(Frequency(left, 0, MsToFrames(400)), 439.84, 0.5);
}

TEST_F(SynthEngineTest, SeekZeroStopsAndSeekBeyondTheEndFails) {
    ASSERT_TRUE(Play(SineSong({{0, 69, 100}})));
    EXPECT_EQ(engine->Play(), 0);  // already playing
    EXPECT_EQ(engine->Seek(0), 0);
    EXPECT_EQ(engine->Device().Sequencer().IsPlaying(), 0);
    EXPECT_EQ(engine->Seek(5000), 1);
    EXPECT_EQ(engine->Position(), 0u);
}

TEST_F(SynthEngineTest, PlayFailsWithoutAPlayableFile) {
    EXPECT_EQ(engine->Play(), 0);
    const Bytes not_smaf(100, 0x42);
    engine->SetData(not_smaf.data(), 100);
    EXPECT_EQ(engine->Play(), 0);
    uint8_t buffer[64];
    EXPECT_EQ(engine->Render(buffer, sizeof buffer), 0u);  // nothing plays: one silent chunk ends it
    engine->SetRepeat(kRepeatSong);
    EXPECT_EQ(engine->Render(buffer, sizeof buffer), 0u);  // with repeat too
}

// A note keyed by a register write has no note record, so all notes off does not end it: the end events of
// another track (all sound off on channels 0..3 at its end) leave it sounding until its own key-off.
TEST_F(SynthEngineTest, AnotherTracksEndLeavesARegisterKeyedNoteSounding) {
    ASSERT_TRUE(Play(RegisterSong(0, 2000, 2000)));
    const std::vector<int16_t> alone = RenderLeft(5 * kFramesPerSecond);
    ASSERT_TRUE(ended);
    engine = std::make_unique<CSynthEngine>();
    ended = false;
    ASSERT_TRUE(Play(RegisterSong(0, 2000, 2000, {500})));  // track 2 ends at 500 ms
    const std::vector<int16_t> left = RenderLeft(5 * kFramesPerSecond);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(left == alone);
    // Sounding from the start to the key-off at 2000 ms, at the registers' pitch.
    EXPECT_GT(Peak(left, 0, 100), 8000);
    EXPECT_GT(Peak(left, MsToFrames(1900), MsToFrames(2000)), 8000);
    EXPECT_NEAR(Frequency(left, MsToFrames(600), MsToFrames(1900)), 439.84, 0.5);
    EXPECT_LT(left.size(), MsToFrames(2100));
}

// A stop keys off a register-keyed note and forgets its key bit, so the song started again keys it again.
TEST_F(SynthEngineTest, StopEndsARegisterKeyedNoteAndTheNextStartKeysItAgain) {
    ASSERT_TRUE(Play(RegisterSong(100, 0, 1000)));
    RenderLeft(MsToFrames(500));
    ASSERT_EQ(engine->Device().FmSynth().Slot(kRegisterChannel).key_on, 1);
    EXPECT_EQ(engine->Seek(0), 0);  // stops
    EXPECT_EQ(engine->Device().FmSynth().Slot(kRegisterChannel).key_on, 0);
    EXPECT_EQ(engine->Device().Channel(kRegisterChannel).reg_key, 0);
    // Long enough for the released note to die away.
    uint8_t buffer[8192];
    engine->Device().Render(reinterpret_cast<int16_t*>(buffer), 2048);
    ASSERT_EQ(engine->Seek(300), 0);
    const std::vector<int16_t> left = RenderLeft(MsToFrames(200));
    EXPECT_GT(Peak(left, 0, 100), 8000);
    EXPECT_EQ(engine->Device().FmSynth().Slot(kRegisterChannel).key_on, 1);
}

// A note held for ever: the end events of its track at 100 ms (the last event) do not end it. The song ends
// after the chunk in which the frames rendered since the last event reach 60 x 22050 = 1,323,000.
// In 22-frame calls every call is one chunk starting at a multiple of 22. The last event is dispatched
// before the first chunk whose start p has p x 1000 / 22050 >= 100, p = 2222; that chunk is the first of the
// count, and the 60137th (60137 x 22 = 1,323,014) ends the song: 2222 + 60136 x 22 frames are returned.
TEST_F(SynthEngineTest, ASongThatNeverFallsSilentEndsAMinuteAfterItsLastEvent) {
    constexpr size_t kReturnedFrames = 2222 + 60136 * 22;
    const Bytes song = RegisterSong(0, 0, 100);
    ASSERT_TRUE(Play(song));
    EXPECT_EQ(RenderLeft(2 * kReturnedFrames, 88).size(), kReturnedFrames);
    ASSERT_TRUE(ended);
    EXPECT_EQ(engine->Device().Sequencer().IsPlaying(), 0);
    EXPECT_EQ(engine->Position(), 0u);
    EXPECT_EQ(engine->Device().FmSynth().Slot(kRegisterChannel).key_on, 0);  // the stop keyed it off

    // Play counts afresh.
    ended = false;
    ASSERT_TRUE(Play(song));
    EXPECT_EQ(RenderLeft(2 * kReturnedFrames, 88).size(), kReturnedFrames);
    ASSERT_TRUE(ended);

    // So does a seek: from 50 ms (frame 1102) the last event comes before the chunk at 1102 + 51 x 22.
    ended = false;
    ASSERT_TRUE(Play(song));
    RenderLeft(MsToFrames(30000), 8192);
    ASSERT_EQ(engine->Seek(50), 0);
    EXPECT_EQ(RenderLeft(2 * kReturnedFrames, 88).size(), 51 * 22 + 60136 * 22u);
    ASSERT_TRUE(ended);

    // In the player's 8192-byte calls the call holding the ending chunk returns 0.
    ended = false;
    ASSERT_TRUE(Play(song));
    const size_t frames = RenderLeft(2 * kReturnedFrames).size();
    ASSERT_TRUE(ended);
    EXPECT_EQ(frames % 2048, 0u);
    EXPECT_GT(frames + 2048, kReturnedFrames);
    EXPECT_LE(frames, kReturnedFrames);
}

// Each restart of a repeated song counts afresh: a song that never falls silent goes on past the minute.
TEST_F(SynthEngineTest, ARepeatedSongGoesOnPastTheMinute) {
    ASSERT_TRUE(Play(RegisterSong(0, 0, 100)));
    engine->SetRepeat(kRepeatSong);
    EXPECT_EQ(RenderLeft(65 * kFramesPerSecond).size(), 65u * kFramesPerSecond / 2048 * 2048 + 2048);
    EXPECT_FALSE(ended);
}

// The slowest release that does end (rate 1, key code 0) falls silent well inside the minute, so a song that
// ends by itself ends as before, on its first silent chunk.
TEST_F(SynthEngineTest, TheSlowestFiniteReleaseEndsTheSongBeforeTheMinute) {
    ASSERT_TRUE(Play(RegisterSong(0, 100, 100, {}, 1)));
    const std::vector<int16_t> left = RenderLeft(80 * kFramesPerSecond);
    ASSERT_TRUE(ended);
    EXPECT_GT(left.size(), 10u * kFramesPerSecond);  // it did ring on
    EXPECT_LT(left.size(), 55u * kFramesPerSecond);
}

// Renders the whole song with the player's 8192-byte calls, or with calls of one chunk each divided as an
// 8192-byte call divides (93 chunks of 22 frames and one of 2), which renders no span.
std::vector<uint8_t> RenderSong(CSynthEngine& engine, bool chunk_by_chunk) {
    std::vector<uint8_t> pcm;
    uint8_t buffer[8192];
    for (uint32_t call = 0;; ++call) {
        const uint32_t bytes = !chunk_by_chunk ? 8192 : call % 94 == 93 ? 8 : 88;
        const uint32_t got = engine.Render(buffer, bytes);
        if (got == 0) return pcm;
        pcm.insert(pcm.end(), buffer, buffer + got);
    }
}

// Between events the render loop renders whole spans of chunks at once; the sound must be the same as
// rendering chunk by chunk, to the end of the song: a long song with events on every channel at odd times,
// all 16 slots sounding 4-operator voices with feedback, tremolo and vibrato, and ADPCM waves.
TEST_F(SynthEngineTest, SpansOfChunksSoundExactlyAsChunkByChunk) {
    const Bytes song = testing::FullyModulatedSong(40);
    std::vector<uint8_t> spanned[2];
    std::vector<uint8_t> chunked[2];
    for (const bool chunk_by_chunk : {false, true}) {
        for (const bool seek_and_repeat : {false, true}) {
            engine = std::make_unique<CSynthEngine>();
            ASSERT_TRUE(Play(song));
            if (seek_and_repeat) {
                ASSERT_EQ(engine->Seek(23457), 0);
                engine->SetRepeat(kRepeatSong);
                engine->LimitRestarts(1);
            }
            (chunk_by_chunk ? chunked : spanned)[seek_and_repeat] = RenderSong(*engine, chunk_by_chunk);
        }
    }
    for (int seek_and_repeat = 0; seek_and_repeat < 2; ++seek_and_repeat) {
        const std::vector<uint8_t>& a = spanned[seek_and_repeat];
        const std::vector<uint8_t>& b = chunked[seek_and_repeat];
        // Chunk by chunk the end comes in a short call; the 8192-byte call holding it returns nothing.
        ASSERT_EQ(a.size(), b.size() / 8192 * 8192) << seek_and_repeat;
        EXPECT_TRUE(std::equal(a.begin(), a.end(), b.begin())) << seek_and_repeat;
    }
    EXPECT_GT(spanned[0].size(), 39u * kFramesPerSecond * kBytesPerFrame);
    EXPECT_GT(spanned[1].size(), 56u * kFramesPerSecond * kBytesPerFrame);  // 16.5 s, then the whole song
}

// The song of the test above is the heaviest load: all 16 slots with 4-operator voices, feedback, and
// tremolo and vibrato on every operator.
TEST_F(SynthEngineTest, TheFullyModulatedSongSoundsEverySlotWithEveryModulation) {
    ASSERT_TRUE(Play(testing::FullyModulatedSong(10)));
    RenderLeft(5 * kFramesPerSecond);
    for (uint32_t s = 0; s < kVoiceSlotCount; ++s) {
        const FmSlot& slot = engine->Device().FmSynth().Slot(s);
        EXPECT_EQ(slot.operator_count, 4) << s;
        EXPECT_NE(slot.feedback_shift, 0u) << s;
        for (const FmOperator& op : slot.op) {
            EXPECT_TRUE(op.vibrato_on && op.tremolo) << s;
            EXPECT_NE(op.eg_state, kEgOff) << s;
        }
    }
}

// The process-wide engine behind the Synth functions.
TEST(SynthFunctions, PlayRenderAndRelease) {
    const Bytes song = SineSong({{0, 69, 100}});
    SynthSetData(nullptr, 0);
    EXPECT_EQ(SynthPlay(), 0);
    SynthSetData(song.data(), static_cast<uint32_t>(song.size()));
    SynthSetRepeat(0);
    ASSERT_EQ(SynthPlay(), 1);
    EXPECT_EQ(SynthPlay(), 0);
    uint8_t buffer[8192];
    EXPECT_EQ(SynthRender(buffer, 3), 0u);
    // The note ends at 100 ms (frame 2205) and dies at once; sound left ringing by earlier tests of this
    // process may carry on for a while before the first silent chunk ends the song.
    uint32_t total = 0;
    int calls = 0;
    while (calls < 1000 && SynthRender(buffer, sizeof buffer) == sizeof buffer) {
        total += sizeof buffer;
        ++calls;
    }
    EXPECT_LT(calls, 1000);
    EXPECT_GE(total, 8192u);
    EXPECT_EQ(SynthSeek(50), 0);  // the ended song starts again at the seek point...
    SynthSetData(nullptr, 0);
    EXPECT_EQ(SynthSeek(50), 1);  // ...but with the song released there is nothing to start
}

}  // namespace
}  // namespace cantavo
