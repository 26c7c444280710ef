#include "tests/songs/test_songs.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "smaf_writer/adpcm_encoder.h"
#include "smaf_writer/sequence_writer.h"
#include "smaf_writer/voice_writer.h"

namespace cantavo::testing {

namespace {

constexpr uint32_t kMsPerTick = 10;
constexpr int kChannelsPerTrack = 4;
constexpr int kTracks = 4;

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

// Operators of every kind of waveform and level, all of them with vibrato and full-depth tremolo.
smaf::VoiceDefinition ModulatedVoice(uint8_t program) {
    smaf::VoiceDefinition voice;
    voice.algorithm = static_cast<uint8_t>(4 + program);
    voice.feedback = static_cast<uint8_t>(7 - program);
    voice.lfo_rate = program;
    constexpr uint8_t kMultiples[4] = {1, 2, 1, 3};
    constexpr uint8_t kLevels[4] = {24, 12, 30, 6};
    for (int k = 0; k < 4; ++k) {
        OperatorParams op = SustainedOperator(kMultiples[k], kLevels[k]);
        op.attack_rate = 13;
        op.decay_rate = 3;
        op.sustain_level = 3;
        op.release_rate = 7;
        op.vibrato = 1;
        op.tremolo = 1;
        op.tremolo_depth = 3;
        op.waveform = static_cast<uint8_t>((program + k) % 8);
        voice.op[k] = op;
    }
    return voice;
}

// Events of one track at absolute times, written in time order (a stable sort keeps the order of events
// at the same time).
class TimedSequence {
public:
    void At(uint32_t ms, std::function<void(smaf::ScoreSequence&, uint32_t delta)> event) {
        m_events.push_back({ms, std::move(event)});
    }
    smaf::Bytes Written(uint32_t end_ms) {
        std::stable_sort(m_events.begin(), m_events.end(),
                         [](const Event& a, const Event& b) { return a.ms < b.ms; });
        smaf::ScoreSequence sequence;
        uint32_t now = 0;
        for (const Event& event : m_events) {
            event.write(sequence, event.ms - now);
            now = event.ms;
        }
        sequence.Rest(end_ms - now);
        sequence.End();
        return sequence.bytes();
    }

private:
    struct Event {
        uint32_t ms;
        std::function<void(smaf::ScoreSequence&, uint32_t)> write;
    };
    std::vector<Event> m_events;
};

// A short decaying 440 Hz burst at 8000 Hz.
smaf::Bytes Burst() {
    std::vector<int16_t> samples(2000);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(12000 * std::exp(-double(i) / 700) *
                                          std::sin(2 * 3.141592653589793 * 440 * double(i) / 8000));
    return smaf::EncodeAdpcm(samples);
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

smaf::Bytes FullyModulatedSong(uint32_t seconds) {
    const uint32_t end_ms = seconds * 1000;
    std::vector<smaf::Bytes> chunks;
    for (int track = 0; track < kTracks; ++track) {
        TimedSequence events;
        for (int c = 0; c < kChannelsPerTrack; ++c) {
            const auto ch = static_cast<uint8_t>(c);
            const int file_channel = track * kChannelsPerTrack + c;
            const auto program = static_cast<uint8_t>(file_channel % 4);
            const auto pan = static_cast<uint8_t>(8 * file_channel);
            events.At(0, [=](smaf::ScoreSequence& s, uint32_t d) { s.Program(d, ch, program); });
            events.At(0, [=](smaf::ScoreSequence& s, uint32_t d) { s.Volume(d, ch, 100); });
            events.At(0, [=](smaf::ScoreSequence& s, uint32_t d) { s.Pan(d, ch, pan); });
            events.At(0, [=](smaf::ScoreSequence& s, uint32_t d) { s.ShortModulation(d, ch, 12); });
            // Notes of about two seconds, each channel on its own odd period, released 13 ms before the
            // next; halfway through a note the pitch bends up and the expression drops.
            const uint32_t period = 1900 + 37 * static_cast<uint32_t>(file_channel);
            int step = 0;
            for (uint32_t at = 3 + 7 * static_cast<uint32_t>(file_channel); at + period <= end_ms;
                 at += period, ++step) {
                const auto note = static_cast<uint8_t>(40 + 2 * file_channel + 5 * (step % 3));
                events.At(at, [=](smaf::ScoreSequence& s, uint32_t d) { s.Note(d, ch, note, period - 13); });
                events.At(at, [=](smaf::ScoreSequence& s, uint32_t d) { s.PitchBend(d, ch, 64); });
                events.At(at, [=](smaf::ScoreSequence& s, uint32_t d) { s.Expression(d, ch, 127); });
                events.At(at + period / 2,
                          [=](smaf::ScoreSequence& s, uint32_t d) { s.PitchBend(d, ch, 70); });
                events.At(at + period / 2 + 11,
                          [=](smaf::ScoreSequence& s, uint32_t d) { s.Expression(d, ch, 100); });
            }
        }
        smaf::ScoreTrackContent content;
        content.number = static_cast<uint8_t>(track + 1);
        content.timebase_d = content.timebase_g = smaf::kTimebase1Ms;
        if (track == 0) {
            content.setup = smaf::SetupData(
                {smaf::LongFormVoice(0, 0, ModulatedVoice(0)), smaf::LongFormVoice(0, 1, ModulatedVoice(1)),
                 smaf::LongFormVoice(0, 2, ModulatedVoice(2)), smaf::LongFormVoice(0, 3, ModulatedVoice(3))});
        }
        content.sequence = events.Written(end_ms);
        chunks.push_back(smaf::ScoreTrackChunk(content));
    }

    smaf::AudioSequence audio;
    audio.WaveVolume(0, 90);
    uint32_t now = 0;
    for (uint32_t at = 501; at + 300 <= end_ms; at += 1733) {
        audio.Wave(at - now, 1, 250);
        now = at;
    }
    audio.End();
    smaf::AudioTrackContent audio_track;
    audio_track.timebase_d = audio_track.timebase_g = smaf::kTimebase1Ms;
    audio_track.sequence = audio.bytes();
    audio_track.waves.push_back({1, Burst()});
    chunks.push_back(smaf::AudioTrackChunk(audio_track));
    return smaf::SmafFile(chunks);
}

}  // namespace cantavo::testing
