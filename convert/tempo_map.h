#pragma once
// MIDI ticks to milliseconds through the tempo changes, and the bar lines of the time signatures.

#include <cstdint>
#include <vector>

#include "convert/midi_file_reader.h"

namespace cantavo {

class CTempoMap {
public:
    // `division` as in the MIDI header: ticks per quarter note, or (high bit set) SMPTE frames per second and
    // ticks per frame, where the time is absolute and tempo changes do not apply.
    CTempoMap(uint16_t division, const std::vector<MidiTempoChange>& tempos);

    double Ms(int64_t tick) const;

    // The time of every bar start before `end_ms`, the first at 0; 4/4 until a time signature says
    // otherwise. A signature in the middle of a bar starts a new bar there. SMPTE-timed files count bars of a
    // quarter note of 500 ms.
    std::vector<double> BarsMs(const std::vector<MidiTimeSignature>& signatures, double end_ms) const;

private:
    struct Segment {
        int64_t tick;
        double ms;
        double ms_per_tick;
    };

    const Segment& SegmentAt(int64_t tick) const;

    std::vector<Segment> m_segments;  // by tick, the first at 0
    double m_ticksPerQuarter;
};

}  // namespace cantavo
