#include "convert/tempo_map.h"

#include <algorithm>
#include <cmath>

namespace cantavo {
namespace {

constexpr double kDefaultMicrosecondsPerQuarter = 500000;  // 120 beats per minute
constexpr double kMicrosecondsPerMs = 1000;
constexpr double kMsPerSecond = 1000;
constexpr uint16_t kSmpteFlag = 0x8000;
constexpr int kDropFrameRate = 29;  // 29.97 frames per second
constexpr double kDropFrameFps = 29.97;
constexpr int kQuartersPerWhole = 4;
constexpr size_t kMostBars = 100000;  // bounds the work on files with absurd tempos or meters

}  // namespace

CTempoMap::CTempoMap(uint16_t division, const std::vector<MidiTempoChange>& tempos) {
    if (division & kSmpteFlag) {
        const int fps = -static_cast<int8_t>(division >> 8);
        const double frames_per_second = fps == kDropFrameRate ? kDropFrameFps : fps;
        const double ms_per_tick = kMsPerSecond / (frames_per_second * std::max(1, division & 0xFF));
        m_segments.push_back({0, 0, ms_per_tick});
        m_ticksPerQuarter = kDefaultMicrosecondsPerQuarter / kMicrosecondsPerMs / ms_per_tick;
        return;
    }
    m_ticksPerQuarter = division;
    m_segments.push_back({0, 0, kDefaultMicrosecondsPerQuarter / kMicrosecondsPerMs / division});
    for (const MidiTempoChange& tempo : tempos) {
        const double ms_per_tick = tempo.microseconds_per_quarter / kMicrosecondsPerMs / division;
        Segment& last = m_segments.back();
        if (tempo.tick == last.tick) {
            last.ms_per_tick = ms_per_tick;  // the later of two changes at one tick holds
            continue;
        }
        m_segments.push_back({tempo.tick, Ms(tempo.tick), ms_per_tick});
    }
}

const CTempoMap::Segment& CTempoMap::SegmentAt(int64_t tick) const {
    const auto after = std::upper_bound(m_segments.begin(), m_segments.end(), tick,
                                        [](int64_t t, const Segment& segment) { return t < segment.tick; });
    return after == m_segments.begin() ? m_segments.front() : *(after - 1);
}

double CTempoMap::Ms(int64_t tick) const {
    const Segment& segment = SegmentAt(tick);
    return segment.ms + static_cast<double>(tick - segment.tick) * segment.ms_per_tick;
}

std::vector<double> CTempoMap::BarsMs(const std::vector<MidiTimeSignature>& signatures, double end_ms) const {
    std::vector<double> bars;
    int numerator = 4;
    int denominator = 4;
    size_t next = 0;
    int64_t bar = 0;
    for (double ms = 0; ms < end_ms && bars.size() < kMostBars; ms = Ms(bar)) {
        while (next < signatures.size() && signatures[next].tick <= bar) {
            numerator = signatures[next].numerator;
            denominator = signatures[next].denominator;
            ++next;
        }
        bars.push_back(ms);
        const auto length = std::max<int64_t>(
            1, std::llround(m_ticksPerQuarter * kQuartersPerWhole * numerator / denominator));
        int64_t following = bar + length;
        if (next < signatures.size() && signatures[next].tick < following) following = signatures[next].tick;
        bar = following;
    }
    return bars;
}

}  // namespace cantavo
