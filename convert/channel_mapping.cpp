#include "convert/channel_mapping.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "engine/builtin_banks.h"
#include "smaf_writer/voice_writer.h"

namespace cantavo {
namespace {

constexpr int kFullLevel = 127;
constexpr int kModulationStep = 32;                       // the engine's depth is (value >> 5) + 1
constexpr uint8_t kModulationCodes[] = {0, 2, 4, 8, 12};  // short-form codes of depths 0..4
constexpr double kBendUnitsPerCent = 32.0 / 100;
constexpr int kBendStep = 8;
constexpr int kHighestBend = 127;
constexpr int kHighestSteppedBend = 120;  // short-form code 15
constexpr int kOperatorBudget = 32;

// A note starting or ending, by time; at one time ends come first.
struct NoteEdge {
    double ms;
    int direction;  // +1 start, -1 end
    uint8_t channel;
    bool drum;
};

std::vector<NoteEdge> NoteEdges(const MidiSong& song) {
    std::vector<NoteEdge> edges;
    edges.reserve(2 * song.notes.size());
    for (const SongNote& note : song.notes) {
        edges.push_back({note.start_ms, +1, note.channel, note.drum});
        edges.push_back({note.end_ms, -1, note.channel, note.drum});
    }
    std::sort(edges.begin(), edges.end(), [](const NoteEdge& a, const NoteEdge& b) {
        return a.ms < b.ms || (a.ms == b.ms && a.direction < b.direction);
    });
    return edges;
}

// The most operators sounding at once when the channels in `four` play 4-operator voices.
int PeakOperators(const std::vector<NoteEdge>& edges, const std::bitset<kMidiChannels>& four) {
    int sounding = 0;
    int peak = 0;
    for (const NoteEdge& edge : edges) {
        sounding += edge.direction * (!edge.drum && four[edge.channel] ? kOperators4 : kOperators2);
        peak = std::max(peak, sounding);
    }
    return peak;
}

}  // namespace

std::optional<ScoreVoice> VoiceOf(const SongNote& note, bool four_operators) {
    if (note.drum) {
        const VoiceRecord& drum = kBuiltinDrums[note.key];
        if (drum.operator_count == 0 || drum.drum_note == 0) return std::nullopt;
        return ScoreVoice{kBankValueDrums, note.key, drum.drum_note, drum.operator_count};
    }
    if (four_operators) return ScoreVoice{kBankValue4Op, note.program, note.key, kOperators4};
    return ScoreVoice{kBankValue2Op, note.program, note.key, kOperators2};
}

std::bitset<kMidiChannels> FourOperatorChannels(const MidiSong& song, VoiceMode mode) {
    std::array<uint32_t, kMidiChannels> melody_notes{};
    for (const SongNote& note : song.notes)
        if (!note.drum) ++melody_notes[note.channel];
    std::bitset<kMidiChannels> four;
    if (mode == VoiceMode::kTwoOperator) return four;
    std::vector<uint8_t> channels;
    for (uint8_t c = 0; c < kMidiChannels; ++c)
        if (melody_notes[c] > 0) channels.push_back(c);
    if (mode == VoiceMode::kFourOperator) {
        for (const uint8_t c : channels) four.set(c);
        return four;
    }
    std::stable_sort(channels.begin(), channels.end(),
                     [&](uint8_t a, uint8_t b) { return melody_notes[a] > melody_notes[b]; });
    const std::vector<NoteEdge> edges = NoteEdges(song);
    for (const uint8_t c : channels) {
        four.set(c);
        if (PeakOperators(edges, four) > kOperatorBudget) four.reset(c);
    }
    return four;
}

smaf::Bytes FourOperatorVoiceDefinition(uint8_t program) {
    const VoiceRecord& record = kBuiltinMelody4Op[program & 0x7F];
    smaf::VoiceDefinition voice;
    voice.lfo_rate = record.lfo_rate;
    voice.feedback = record.feedback;
    voice.algorithm = record.algorithm;
    voice.octave_code = record.octave_code;
    std::copy(std::begin(record.op), std::end(record.op), voice.op.begin());
    return smaf::LongFormVoice(kBankValue4Op, program, voice);
}

uint8_t ExpressionWithVelocity(uint8_t expression, uint8_t velocity) {
    if (expression == 0 || velocity == 0) return 0;
    const long combined = std::lround(double(expression) * velocity / kFullLevel);
    return static_cast<uint8_t>(std::clamp<long>(combined, 1, kFullLevel));
}

uint8_t ModulationCode(uint8_t depth) {
    return depth == 0 ? kModulationCodes[0] : kModulationCodes[(depth / kModulationStep) + 1];
}

uint8_t BendValue(int cents, bool stepped) {
    const double value = kCentreBend + cents * kBendUnitsPerCent;
    if (stepped)
        return static_cast<uint8_t>(
            std::clamp<long>(std::lround(value / kBendStep) * kBendStep, 0, kHighestSteppedBend));
    return static_cast<uint8_t>(std::clamp<long>(std::lround(value), 0, kHighestBend));
}

}  // namespace cantavo
