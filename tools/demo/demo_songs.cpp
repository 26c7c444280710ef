#include "tools/demo/demo_songs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <span>

#include "engine/builtin_banks.h"
#include "smaf_writer/sequence_writer.h"
#include "smaf_writer/voice_writer.h"
#include "tools/demo/demo_waves.h"

namespace cantavo::demo {

namespace {

using smaf::Bytes;

// Note numbers.
constexpr uint8_t G2 = 43, C3 = 48, D3 = 50, E3 = 52, F3 = 53, G3 = 55, A3 = 57, B3 = 59;
constexpr uint8_t C4 = 60, D4 = 62, E4 = 64, F4 = 65, G4 = 67, A4 = 69;
constexpr uint8_t C5 = 72, D5 = 74, E5 = 76, F5 = 77, G5 = 79, A5 = 81;

// A note and its length in ticks; all songs tick at 10 ms.
struct Step {
    uint8_t note;
    uint32_t ticks;
};

constexpr uint32_t kGapTicks = 4;  // silence before the next note, so mono channels do not slur

OperatorParams Operator(uint8_t multiple, uint8_t attack, uint8_t decay, uint8_t sustain_level,
                        uint8_t release, uint8_t total_level, uint8_t sustained = 1) {
    OperatorParams op{};
    op.multiple = multiple;
    op.sustained = sustained;
    op.attack_rate = attack;
    op.decay_rate = decay;
    op.sustain_level = sustain_level;
    op.release_rate = release;
    op.total_level = total_level;
    return op;
}

// A note of one channel at its time in ticks; the notes of several channels are written in time order.
struct TimedNote {
    uint32_t time;
    uint8_t channel;
    uint8_t note;
    uint32_t gate;
};

void PlayTimed(smaf::ScoreSequence& sequence, std::vector<TimedNote> notes) {
    std::stable_sort(notes.begin(), notes.end(),
                     [](const TimedNote& a, const TimedNote& b) { return a.time < b.time; });
    uint32_t now = 0;
    for (const TimedNote& note : notes) {
        sequence.Note(note.time - now, note.channel, note.note, note.gate);
        now = note.time;
    }
}

// Appends a channel's steps from `start` ticks on to a timed list.
uint32_t AddSteps(std::vector<TimedNote>& notes, uint8_t channel, uint32_t start,
                  const std::vector<Step>& steps) {
    uint32_t time = start;
    for (const Step& step : steps) {
        notes.push_back({time, channel, step.note, step.ticks - kGapTicks});
        time += step.ticks;
    }
    return time;
}

// The phrases one after the other.
std::vector<Step> Joined(std::initializer_list<std::span<const Step>> phrases) {
    size_t count = 0;
    for (const auto phrase : phrases) count += phrase.size();
    std::vector<Step> steps(count);
    auto next = steps.begin();
    for (const auto phrase : phrases) next = std::copy(phrase.begin(), phrase.end(), next);
    return steps;
}

double NoteHz(uint8_t note) {
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

}  // namespace

Bytes OdeToJoy() {
    constexpr uint32_t q = 48, h = 2 * q, e = q / 2, dq = q + e;
    const std::vector<Step> phrase_a = {{E4, q}, {E4, q}, {F4, q}, {G4, q}, {G4, q}, {F4, q},
                                        {E4, q}, {D4, q}, {C4, q}, {C4, q}, {D4, q}, {E4, q}};
    const std::vector<Step> half_close = {{E4, dq}, {D4, e}, {D4, h}};
    const std::vector<Step> full_close = {{D4, dq}, {C4, e}, {C4, h}};
    const std::vector<Step> bridge = {{D4, q}, {D4, q}, {E4, q}, {C4, q}, {D4, q}, {E4, e},
                                      {F4, e}, {E4, q}, {C4, q}, {D4, q}, {E4, e}, {F4, e},
                                      {E4, q}, {D4, q}, {C4, q}, {D4, q}, {G3, h}};
    const std::vector<Step> melody =
        Joined({phrase_a, half_close, phrase_a, full_close, bridge, phrase_a, full_close});

    // One chord per half bar: bass root, third and fifth voices.
    struct Chord {
        uint8_t root, third, fifth;
    };
    constexpr Chord C{C3, E3, G3}, G{G2, D3, B3}, D{D3, F3 + 1, A3};
    const std::vector<Chord> chords = {C, C, G, G, C, C, G, G, C, C, G, G, C, C, G, C,
                                       G, C, G, C, G, C, D, G, C, C, G, G, C, C, G, C};
    std::vector<Step> bass, thirds, fifths;
    for (const Chord& chord : chords) {
        bass.push_back({chord.root, h});
        thirds.push_back({chord.third, h});
        fifths.push_back({chord.fifth, q});
        fifths.push_back({chord.fifth, q});
    }

    smaf::VoiceDefinition lead;  // 4 operators: two stacked pairs, a bright one and a mellow one
    lead.algorithm = 5;
    lead.feedback = 3;
    lead.op = {Operator(1, 15, 4, 4, 6, 30), Operator(1, 14, 2, 2, 6, 0), Operator(3, 15, 6, 6, 6, 40),
               Operator(1, 13, 3, 3, 6, 8)};
    smaf::VoiceDefinition bass_voice;  // 2 operators with feedback: a round plucked bass
    bass_voice.algorithm = 0;
    bass_voice.feedback = 5;
    bass_voice.op[0] = Operator(1, 15, 6, 8, 7, 24, 0);
    bass_voice.op[1] = Operator(1, 15, 4, 6, 7, 0, 0);
    smaf::VoiceDefinition organ;  // 2 operators side by side
    organ.algorithm = 1;
    organ.op[0] = Operator(2, 12, 2, 2, 5, 14);
    organ.op[1] = Operator(1, 12, 2, 2, 5, 6);
    // Short form: a soft 2-operator voice at program 2 of bank 20 (rates and levels in its own coding).
    const Bytes soft_voice =
        smaf::ShortFormVoice({0x00, 0x00, 0x02, 0x01, 0x22, 0x1B, 0xD1, 0x83, 0x2A, 0x17, 0x8C, 0x00});

    constexpr uint8_t kSongBank1 = 1;  // song bank 21
    smaf::ScoreSequence sequence;
    sequence.Exclusive(0, smaf::LongFormVoice(kSongBank1, 3, organ));  // defined in the sequence data
    for (uint8_t ch = 0; ch < 4; ++ch) sequence.BankSelect(0, ch, ch == 2 ? 0 : kSongBank1);
    sequence.Program(0, 0, 0);
    sequence.Program(0, 1, 1);
    sequence.Program(0, 2, 2);
    sequence.Program(0, 3, 3);
    sequence.Volume(0, 0, 84);
    sequence.Volume(0, 1, 72);
    sequence.Volume(0, 2, 56);
    sequence.Volume(0, 3, 48);
    sequence.Pan(0, 1, 48);
    sequence.Pan(0, 2, 36);
    sequence.Pan(0, 3, 92);
    std::vector<TimedNote> notes;
    const uint32_t lead_in = q;
    AddSteps(notes, 0, lead_in, melody);
    AddSteps(notes, 1, lead_in, bass);
    AddSteps(notes, 2, lead_in, thirds);
    const uint32_t end = AddSteps(notes, 3, lead_in, fifths);
    PlayTimed(sequence, notes);
    sequence.Rest(end - notes.back().time);
    sequence.End();

    smaf::ScoreTrackContent track;
    track.number = 1;
    track.timebase_d = track.timebase_g = smaf::kTimebase10Ms;
    track.seek_phrase = smaf::SeekPhrase(0, end);
    track.setup = smaf::SetupData({smaf::LongFormVoice(kSongBank1, 0, lead),
                                   smaf::LongFormVoice(kSongBank1, 1, bass_voice), soft_voice});
    track.sequence = sequence.bytes();
    return smaf::SmafFile({smaf::ScoreTrackChunk(track)});
}

Bytes FrereJacquesWithDrums() {
    constexpr uint32_t q = 50, h = 2 * q, e = q / 2;
    const std::vector<Step> tune = {{C4, q}, {D4, q}, {E4, q}, {C4, q}, {C4, q}, {D4, q}, {E4, q}, {C4, q},
                                    {E4, q}, {F4, q}, {G4, h}, {E4, q}, {F4, q}, {G4, h}, {G4, e}, {A4, e},
                                    {G4, e}, {F4, e}, {E4, q}, {C4, q}, {G4, e}, {A4, e}, {G4, e}, {F4, e},
                                    {E4, q}, {C4, q}, {C4, q}, {G3, q}, {C4, h}, {C4, q}, {G3, q}, {C4, h}};
    constexpr uint32_t kBar = 4 * q;
    constexpr uint32_t kTuneBars = 8;
    constexpr uint32_t kCanonDelayBars = 2;
    constexpr uint32_t kSongBars = kTuneBars + kCanonDelayBars;
    // FM drum voices of the song drum bank (bank select 0x80 = bank 30, a copy of the built-in drums).
    constexpr uint8_t kDrumBankSelect = 0x80;
    constexpr uint8_t kKick = 36, kSnare = 38, kHiHat = 42;

    smaf::ScoreSequence drums;  // track 1: channel 0 tune, 1 kick, 2 snare, 3 hi-hat
    drums.Program(0, 0, 73);    // flute
    drums.Volume(0, 0, 80);
    drums.Volume(0, 1, 80);
    drums.Volume(0, 2, 64);
    const uint8_t kits[] = {kKick, kSnare, kHiHat};
    for (uint8_t k = 0; k < 3; ++k) {
        drums.BankSelect(0, static_cast<uint8_t>(k + 1), kDrumBankSelect);
        drums.Program(0, static_cast<uint8_t>(k + 1), kits[k]);
    }
    drums.Volume(0, 3, 44);
    drums.Pan(0, 3, 84);
    std::vector<TimedNote> notes;
    AddSteps(notes, 0, 0, tune);
    constexpr uint32_t kDrumGate = 12;
    for (uint32_t bar = 0; bar < kSongBars; ++bar) {
        const uint32_t at = bar * kBar;
        notes.push_back({at, 1, kBuiltinDrums[kKick].drum_note, kDrumGate});
        notes.push_back({at + 2 * q, 1, kBuiltinDrums[kKick].drum_note, kDrumGate});
        notes.push_back({at + q, 2, kBuiltinDrums[kSnare].drum_note, kDrumGate});
        notes.push_back({at + 3 * q, 2, kBuiltinDrums[kSnare].drum_note, kDrumGate});
        for (uint32_t eighth = 0; eighth < 8; ++eighth)
            notes.push_back({at + eighth * e, 3, kBuiltinDrums[kHiHat].drum_note, kDrumGate});
    }
    PlayTimed(drums, notes);
    drums.Rest(kSongBars * kBar - notes.back().time);
    drums.End();

    smaf::ScoreSequence canon;  // track 2 (channels 4..7): 0 the round's second voice, 1 bass
    canon.Program(0, 0, 71);    // clarinet
    canon.Program(0, 1, 33);    // fingered bass
    canon.Pan(0, 0, 40);
    canon.Volume(0, 0, 72);
    canon.Volume(0, 1, 72);
    std::vector<TimedNote> canon_notes;
    AddSteps(canon_notes, 0, kCanonDelayBars * kBar, tune);
    for (uint32_t half = 0; half < 2 * kSongBars; ++half)
        canon_notes.push_back({half * h, 1, half % 4 == 3 ? G2 : C3, h - kGapTicks});
    PlayTimed(canon, canon_notes);
    canon.Rest(kSongBars * kBar - canon_notes.back().time);
    canon.End();

    smaf::ScoreTrackContent first;
    first.number = 1;
    first.timebase_d = first.timebase_g = smaf::kTimebase10Ms;
    first.sequence = drums.bytes();
    smaf::ScoreTrackContent second = first;
    second.number = 2;
    second.sequence = canon.bytes();
    return smaf::SmafFile({smaf::ScoreTrackChunk(first), smaf::ScoreTrackChunk(second)});
}

Bytes TwinkleBells() {
    constexpr uint32_t q = 40, h = 2 * q;
    constexpr uint32_t kRateHz = 8000;
    constexpr uint32_t kWaveMs = 600;
    const uint8_t pitches[] = {C5, D5, E5, F5, G5, A5};
    smaf::AudioTrackContent audio;
    audio.wave_type = smaf::kWaveType8000Hz;
    audio.timebase_d = audio.timebase_g = smaf::kTimebase10Ms;
    for (uint8_t w = 0; w < 6; ++w)
        audio.waves.push_back({static_cast<uint8_t>(w + 1), BellWave(NoteHz(pitches[w]), kWaveMs, kRateHz)});
    const auto wave_of = [&](uint8_t note) {
        return static_cast<uint8_t>(std::find(std::begin(pitches), std::end(pitches), note) -
                                    std::begin(pitches) + 1);
    };

    const std::vector<Step> line_a = {{C5, q}, {C5, q}, {G5, q}, {G5, q}, {A5, q}, {A5, q}, {G5, h},
                                      {F5, q}, {F5, q}, {E5, q}, {E5, q}, {D5, q}, {D5, q}, {C5, h}};
    const std::vector<Step> line_b = {{G5, q}, {G5, q}, {F5, q}, {F5, q}, {E5, q}, {E5, q}, {D5, h}};
    std::vector<Step> tune = line_a;
    tune.insert(tune.end(), line_b.begin(), line_b.end());
    tune.insert(tune.end(), line_b.begin(), line_b.end());
    tune.insert(tune.end(), line_a.begin(), line_a.end());

    smaf::AudioSequence bells;
    bells.WaveVolume(0, 127);
    uint32_t wait = 0;
    for (const Step& step : tune) {
        bells.Wave(wait, wave_of(step.note), step.ticks - kGapTicks);
        wait = step.ticks;
    }
    bells.End();
    audio.sequence = bells.bytes();

    // An FM bass and pad under the bells: one chord per bar.
    const std::vector<uint8_t> roots = {C3, F3, C3, G2, C3, G2, C3, G2, C3, G2, C3, G2,
                                        C3, F3, C3, G2, C3, G2, C3, G2, C3, F3, G2, C3};
    smaf::ScoreSequence accompaniment;
    accompaniment.Program(0, 0, 33);  // fingered bass
    accompaniment.Program(0, 1, 89);  // warm pad
    accompaniment.Volume(0, 0, 64);
    accompaniment.Volume(0, 1, 40);
    std::vector<Step> bass, pad;
    for (size_t i = 0; i < roots.size(); ++i) {
        bass.push_back({roots[i], h});
        pad.push_back({static_cast<uint8_t>(roots[i] + 16), h});  // the major third an octave up
    }
    std::vector<TimedNote> notes;
    AddSteps(notes, 0, 0, bass);
    const uint32_t end = AddSteps(notes, 1, 0, pad);
    PlayTimed(accompaniment, notes);
    accompaniment.Rest(end - notes.back().time);
    accompaniment.End();

    smaf::ScoreTrackContent track;
    track.number = 1;
    track.timebase_d = track.timebase_g = smaf::kTimebase10Ms;
    track.sequence = accompaniment.bytes();
    return smaf::SmafFile({smaf::ScoreTrackChunk(track), smaf::AudioTrackChunk(audio)});
}

const std::vector<DemoSong>& DemoSongs() {
    static const std::vector<DemoSong> songs = {
        {"ode.mmf", "Ode to Joy: song-defined 2- and 4-operator voices on four channels", OdeToJoy},
        {"drums.mmf", "Frere Jacques as a round over the FM drum bank, two score tracks",
         FrereJacquesWithDrums},
        {"bells.mmf", "Twinkle, Twinkle on ADPCM bell waves of the audio track over an FM bass",
         TwinkleBells},
    };
    return songs;
}

}  // namespace cantavo::demo
