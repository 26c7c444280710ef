#include "convert/controller_streams.h"

#include <algorithm>
#include <optional>

#include "convert/channel_mapping.h"

namespace cantavo {
namespace {

// Calls on_note(note, expression) for every note with the channel's expression (CC 11) when it starts.
template <typename OnNote>
void ForEachNoteWithExpression(const MidiSong& song, OnNote&& on_note) {
    std::array<uint8_t, kMidiChannels> expression;
    expression.fill(kFullExpression);
    size_t next = 0;
    for (const SongNote& note : song.notes) {
        for (; next < song.controls.size() && song.controls[next].ms <= note.start_ms; ++next)
            if (song.controls[next].kind == ControlKind::kExpression)
                expression[song.controls[next].channel] = static_cast<uint8_t>(song.controls[next].value);
        on_note(note, expression[note.channel]);
    }
}

}  // namespace

std::vector<ControllerStream> ControllerStreams(const MidiSong& song) {
    std::array<uint32_t, kMidiChannels> expression{}, modulation{}, bend{};
    std::array<std::optional<uint8_t>, kMidiChannels> last_level, last_modulation;
    std::array<std::optional<int16_t>, kMidiChannels> last_bend;
    ForEachNoteWithExpression(song, [&](const SongNote& note, uint8_t level) {
        const uint8_t sounding = ExpressionWithVelocity(level, note.velocity);
        if (last_level[note.channel] && *last_level[note.channel] != sounding) ++expression[note.channel];
        last_level[note.channel] = sounding;
    });
    for (const ChannelControl& control : song.controls) {
        const uint8_t c = control.channel;
        if (control.kind == ControlKind::kExpression) {
            ++expression[c];
        } else if (control.kind == ControlKind::kModulation) {
            const uint8_t code = ModulationCode(static_cast<uint8_t>(control.value));
            if (last_modulation[c].value_or(kNoModulation) != code) ++modulation[c];
            last_modulation[c] = code;
        } else if (control.kind == ControlKind::kPitchBend) {
            if (last_bend[c].value_or(0) != control.value) ++bend[c];
            last_bend[c] = control.value;
        }
    }
    std::vector<ControllerStream> streams;
    for (uint8_t c = 0; c < kMidiChannels; ++c) {
        if (expression[c] > 0) streams.push_back({c, ControlKind::kExpression, expression[c]});
        if (modulation[c] > 0) streams.push_back({c, ControlKind::kModulation, modulation[c]});
        if (bend[c] > 0) streams.push_back({c, ControlKind::kPitchBend, bend[c]});
    }
    std::stable_sort(
        streams.begin(), streams.end(),
        [](const ControllerStream& a, const ControllerStream& b) { return a.changes > b.changes; });
    return streams;
}

std::array<uint8_t, kMidiChannels> TypicalExpression(const MidiSong& song) {
    std::array<std::vector<uint8_t>, kMidiChannels> levels;
    ForEachNoteWithExpression(song, [&](const SongNote& note, uint8_t level) {
        levels[note.channel].push_back(ExpressionWithVelocity(level, note.velocity));
    });
    std::array<uint8_t, kMidiChannels> typical;
    typical.fill(kFullExpression);
    for (int c = 0; c < kMidiChannels; ++c) {
        std::vector<uint8_t>& list = levels[c];
        if (list.empty()) continue;
        std::nth_element(list.begin(), list.begin() + list.size() / 2, list.end());
        typical[c] = list[list.size() / 2];
    }
    return typical;
}

VelocityUse VelocityUseOf(const MidiSong& song) {
    std::array<std::optional<uint8_t>, kMidiChannels> first;
    bool below_full = false;
    for (const SongNote& note : song.notes) {
        if (first[note.channel] && *first[note.channel] != note.velocity) return VelocityUse::kApproximated;
        first[note.channel] = note.velocity;
        below_full = below_full || note.velocity < 127;
    }
    return below_full ? VelocityUse::kFolded : VelocityUse::kFull;
}

}  // namespace cantavo
