#include "test_songs.h"

#include "smaf_writer/sequence_writer.h"
#include "smaf_writer/voice_writer.h"

namespace player_test {

namespace {

constexpr uint32_t kMsPerTick = 10;
constexpr int kChannelsPerTrack = 4;

OperatorParams SustainedOperator(uint8_t multiple, uint8_t total_level) {
    OperatorParams op{};
    op.multiple = multiple;
    op.sustained = 1;
    op.attack_rate = 14;
    op.decay_rate = 4;
    op.sustain_level = 2;
    op.release_rate = 9;
    op.total_level = total_level;
    return op;
}

}  // namespace

smaf::Bytes SustainedChord(int channels, uint32_t note_ms, uint32_t song_ms) {
    smaf::VoiceDefinition voice;  // algorithm 5: two stacked pairs
    voice.algorithm = 5;
    voice.feedback = 3;
    voice.op = {SustainedOperator(1, 28), SustainedOperator(1, 4), SustainedOperator(3, 36),
                SustainedOperator(1, 10)};
    std::vector<smaf::Bytes> chunks;
    for (int track = 0; track * kChannelsPerTrack < channels; ++track) {
        smaf::ScoreSequence sequence;
        const int count = std::min(kChannelsPerTrack, channels - track * kChannelsPerTrack);
        for (int ch = 0; ch < count; ++ch) {
            sequence.Volume(0, static_cast<uint8_t>(ch), 90);
            // A chord spread over two octaves, so the channels do not cancel out.
            const int note = 48 + 3 * (track * kChannelsPerTrack + ch);
            sequence.Note(0, static_cast<uint8_t>(ch), static_cast<uint8_t>(note), note_ms / kMsPerTick);
        }
        sequence.Rest(song_ms / kMsPerTick);
        sequence.End();
        smaf::ScoreTrackContent backend;
        backend.number = static_cast<uint8_t>(track + 1);
        backend.timebase_d = backend.timebase_g = smaf::kTimebase10Ms;
        backend.seek_phrase = smaf::SeekPhrase(0, song_ms / kMsPerTick);
        backend.setup = smaf::SetupData({smaf::LongFormVoice(0, 0, voice)});  // song bank 20, program 0
        backend.sequence = sequence.bytes();
        chunks.push_back(smaf::ScoreTrackChunk(backend));
    }
    return smaf::SmafFile(chunks);
}

}  // namespace player_test
