#include "tests/convert/midi_file_builder.h"

#include <algorithm>

namespace cantavo {
namespace {

void BigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(value >> shift));
}

void VariableLength(std::vector<uint8_t>& out, uint32_t value) {
    uint8_t groups[5];
    int count = 0;
    do {
        groups[count++] = value & 0x7F;
        value >>= 7;
    } while (value != 0);
    while (count-- > 0) out.push_back(static_cast<uint8_t>(groups[count] | (count > 0 ? 0x80 : 0)));
}

}  // namespace

void CMidiTrackBuilder::Event(uint32_t tick, std::initializer_list<uint8_t> bytes) {
    m_events.push_back({tick, bytes});
}

void CMidiTrackBuilder::Note(uint32_t tick, uint32_t length, uint8_t channel, uint8_t key, uint8_t velocity) {
    Event(tick, {static_cast<uint8_t>(0x90 | channel), key, velocity});
    Event(tick + length, {static_cast<uint8_t>(0x80 | channel), key, 64});
}

void CMidiTrackBuilder::Controller(uint32_t tick, uint8_t channel, uint8_t number, uint8_t value) {
    Event(tick, {static_cast<uint8_t>(0xB0 | channel), number, value});
}

void CMidiTrackBuilder::Program(uint32_t tick, uint8_t channel, uint8_t program) {
    Event(tick, {static_cast<uint8_t>(0xC0 | channel), program});
}

void CMidiTrackBuilder::PitchBend(uint32_t tick, uint8_t channel, int value) {
    const int raw = value + 8192;
    Event(tick, {static_cast<uint8_t>(0xE0 | channel), static_cast<uint8_t>(raw & 0x7F),
                 static_cast<uint8_t>(raw >> 7)});
}

void CMidiTrackBuilder::Tempo(uint32_t tick, uint32_t microseconds_per_quarter) {
    Event(tick, {0xFF, 0x51, 3, static_cast<uint8_t>(microseconds_per_quarter >> 16),
                 static_cast<uint8_t>(microseconds_per_quarter >> 8),
                 static_cast<uint8_t>(microseconds_per_quarter)});
}

void CMidiTrackBuilder::TimeSignature(uint32_t tick, uint8_t numerator, uint8_t denominator_power) {
    Event(tick, {0xFF, 0x58, 4, numerator, denominator_power, 24, 8});
}

std::vector<uint8_t> CMidiTrackBuilder::Chunk(bool running_status) const {
    std::vector<TimedBytes> events = m_events;
    std::stable_sort(events.begin(), events.end(),
                     [](const TimedBytes& a, const TimedBytes& b) { return a.tick < b.tick; });
    std::vector<uint8_t> body;
    uint32_t now = 0;
    uint8_t status = 0;
    for (const TimedBytes& event : events) {
        VariableLength(body, event.tick - now);
        now = event.tick;
        const bool channel_message = event.bytes[0] < 0xF0;
        const bool skip_status = running_status && channel_message && event.bytes[0] == status;
        body.insert(body.end(), event.bytes.begin() + (skip_status ? 1 : 0), event.bytes.end());
        status = channel_message ? event.bytes[0] : 0;
    }
    body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k'};
    BigEndian(chunk, static_cast<uint32_t>(body.size()), 4);
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

CMidiTrackBuilder& CMidiFileBuilder::AddTrack() {
    return m_tracks.emplace_back();
}

std::vector<uint8_t> CMidiFileBuilder::Bytes(bool running_status) const {
    std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
    BigEndian(file, m_format, 2);
    BigEndian(file, static_cast<uint32_t>(m_tracks.size()), 2);
    BigEndian(file, m_division, 2);
    for (const CMidiTrackBuilder& track : m_tracks) {
        const std::vector<uint8_t> chunk = track.Chunk(running_status);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

}  // namespace cantavo
