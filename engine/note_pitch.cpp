#include "engine/note_pitch.h"

#include <array>
#include <cmath>

namespace cantavo {
namespace {

constexpr int kMiddleC = 60;
constexpr double kHzToFnumBlock0 = 21.098109;  // F-number at block 0 per Hz (22050 Hz output)
constexpr double kBendPerOctave = 393216;      // 12 x 32768: a full bend (32768) moves bend_range semitones
constexpr uint32_t kMaxBlockFnum = 0x3FF00;    // F-number scaled to block 0, highest pitch
constexpr uint32_t kFnumMax = 0x3FF;

// Notes 60..71 in tenths of a Hz.
constexpr std::array<int64_t, 12> kOctaveTenths = {2616, 2772, 2937, 3111, 3296, 3492,
                                                   3700, 3920, 4153, 4400, 4662, 4939};

// Note n: the note of 60..71 with the same pitch class times 2^((n - 60) div 12), rounded half up to 0.1 Hz;
// worked in whole tenths so the halves are exact.
constexpr std::array<double, 128> kNoteFrequency = [] {
    std::array<double, 128> table{};
    for (int note = 0; note < 128; ++note) {
        const int offset = note - kMiddleC;
        const int octave = offset >= 0 ? offset / 12 : -((-offset + 11) / 12);
        const int64_t base = kOctaveTenths[offset - octave * 12];
        int64_t tenths;
        if (octave >= 0) {
            tenths = base << octave;
        } else {
            const int shift = -octave;
            tenths = (2 * base + (int64_t{1} << shift)) >> (shift + 1);  // floor(base / 2^shift + 1/2)
        }
        table[note] = static_cast<double>(tenths) / 10.0;
    }
    return table;
}();

}  // namespace

double NoteFrequency(uint8_t note) {
    return kNoteFrequency[note & 0x7F];
}

uint32_t NoteToBlockFnum(uint8_t note, uint8_t bend_range, int16_t bend) {
    const double octaves = static_cast<double>(bend_range * bend) / kBendPerOctave;
    const double f = (NoteFrequency(note) * std::pow(2.0, octaves)) * kHzToFnumBlock0;
    // Clamp before converting: a wide bend range would overflow the integer.
    uint32_t x = f >= kMaxBlockFnum ? kMaxBlockFnum : static_cast<uint32_t>(f);
    uint32_t block = 0;
    while (x > kFnumMax) {
        x >>= 1;
        ++block;
    }
    return (block << 16) | x;
}

}  // namespace cantavo
