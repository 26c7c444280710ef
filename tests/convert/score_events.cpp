#include "tests/convert/score_events.h"

#include "engine/smaf_sequencer.h"
#include "tests/engine/recording_target.h"

namespace cantavo {

ParsedScore ParseScore(const smaf::Bytes& file) {
    ParsedScore score;
    CRecordingTarget target;
    CSmafSequencer sequencer(target);
    sequencer.AppendData(file.data(), static_cast<uint32_t>(file.size()));
    score.parsed = sequencer.Parse() == 1;
    if (!score.parsed) return score;
    for (uint32_t i = 0; i < sequencer.Events().Count(); ++i) score.events.push_back(sequencer.Events()[i]);
    // Song voices in the setup data are decoded when playback starts.
    sequencer.Start(0);
    score.song_voices = target.song_voices;
    for ([[maybe_unused]] const ScoreTrack& track : sequencer.ScoreTracks()) ++score.score_tracks;
    return score;
}

std::vector<PlayedNote> PlayedNotes(const ParsedScore& score) {
    struct State {
        uint8_t bank_lsb = 0, program = 0, volume = 127, pan = 64, expression = 127, modulation = 0,
                bend = 64;
    };
    std::array<State, 16> states{};
    std::vector<PlayedNote> notes;
    for (const SeqEvent& event : score.events) {
        const uint8_t status = MessageByte(event.message, 0);
        const uint8_t d1 = MessageByte(event.message, 1);
        const uint8_t d2 = MessageByte(event.message, 2);
        if (status >= 0xF0) continue;
        const uint8_t channel = status & 0x0F;
        State& state = states[channel];
        switch (status & 0xF0) {
            case 0x90:
                notes.push_back({event.time, event.time, channel, d1, state.bank_lsb, state.program,
                                 state.volume, state.pan, state.expression, state.modulation, state.bend});
                break;
            case 0x80:
                for (auto note = notes.rbegin(); note != notes.rend(); ++note)
                    if (note->channel == channel && note->key == d1) {
                        note->off_ms = event.time;
                        break;
                    }
                break;
            case 0xB0:
                if (d1 == 32) state.bank_lsb = d2;
                if (d1 == 7) state.volume = d2;
                if (d1 == 10) state.pan = d2;
                if (d1 == 11) state.expression = d2;
                if (d1 == 1) state.modulation = d2;
                break;
            case 0xC0:
                state.program = d1;
                break;
            case 0xE0:
                state.bend = d2;
                break;
            default:
                break;
        }
    }
    return notes;
}

uint32_t EndOfEvents(const ParsedScore& score) {
    return score.events.empty() ? 0 : score.events.back().time;
}

}  // namespace cantavo
