#pragma once
// Writes Standard MIDI Files for the tests and benchmarks: tracks of events at absolute ticks.

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <vector>

namespace cantavo {

class CMidiTrackBuilder {
public:
    // Any message (status and data, or a meta or system exclusive event with its length bytes) at `tick`.
    void Event(uint32_t tick, std::initializer_list<uint8_t> bytes);

    void Note(uint32_t tick, uint32_t length, uint8_t channel, uint8_t key, uint8_t velocity = 100);
    void Controller(uint32_t tick, uint8_t channel, uint8_t number, uint8_t value);
    void Program(uint32_t tick, uint8_t channel, uint8_t program);
    void PitchBend(uint32_t tick, uint8_t channel, int value);  // -8192..8191
    void Tempo(uint32_t tick, uint32_t microseconds_per_quarter);
    void TimeSignature(uint32_t tick, uint8_t numerator, uint8_t denominator_power);

    // The "MTrk" chunk: events by tick (equal ticks in the order added), running status when asked.
    std::vector<uint8_t> Chunk(bool running_status) const;

private:
    struct TimedBytes {
        uint32_t tick;
        std::vector<uint8_t> bytes;
    };
    std::vector<TimedBytes> m_events;
};

class CMidiFileBuilder {
public:
    // `division`: ticks per quarter note, or an SMPTE division with the high bit set.
    CMidiFileBuilder(uint16_t format, uint16_t division) : m_format(format), m_division(division) {}

    // The track stays where it is while more are added.
    CMidiTrackBuilder& AddTrack();
    std::vector<uint8_t> Bytes(bool running_status = false) const;

private:
    uint16_t m_format;
    uint16_t m_division;
    std::deque<CMidiTrackBuilder> m_tracks;
};

}  // namespace cantavo
