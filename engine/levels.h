#pragma once
// Level arithmetic of the channel layer: volume, expression, velocity and pan turned into attenuations of
// 0.5 dB steps (0 = full level, 192 = silence).

#include <array>
#include <cstddef>
#include <cstdint>

namespace cantavo {

// T[v] = round(80 x log10(127 / v)) for v = 1..127, T[0] = 192 (halves up). Volume, expression, velocity.
inline constexpr std::array<uint8_t, 128> kLevelAttenuation = {
    192, 168, 144, 130, 120, 112, 106, 101, 96, 92, 88, 85, 82, 79, 77, 74, 72, 70, 68, 66, 64, 63,
    61,  59,  58,  56,  55,  54,  53,  51,  50, 49, 48, 47, 46, 45, 44, 43, 42, 41, 40, 39, 38, 38,
    37,  36,  35,  35,  34,  33,  32,  32,  31, 30, 30, 29, 28, 28, 27, 27, 26, 25, 25, 24, 24, 23,
    23,  22,  22,  21,  21,  20,  20,  19,  19, 18, 18, 17, 17, 16, 16, 16, 15, 15, 14, 14, 14, 13,
    13,  12,  12,  12,  11,  11,  10,  10,  10, 9,  9,  9,  8,  8,  8,  7,  7,  7,  6,  6,  6,  5,
    5,   5,   4,   4,   4,   3,   3,   3,   3,  2,  2,  2,  1,  1,  1,  1,  0,  0,
};

// PR[p] = round(-40 x log10(sin(pi x p / 254))) for p = 1..127, PR[0] = 192 (halves up). Right side of the
// pan.
inline constexpr std::array<uint8_t, 128> kPanRightAttenuation = {
    192, 76, 64, 57, 52, 48, 45, 43, 40, 38, 36, 35, 33, 32, 31, 29, 28, 27, 26, 25, 24, 24, 23, 22, 21, 21,
    20,  19, 19, 18, 18, 17, 17, 16, 16, 15, 15, 14, 14, 13, 13, 13, 12, 12, 11, 11, 11, 10, 10, 10, 9,  9,
    9,   9,  8,  8,  8,  8,  7,  7,  7,  7,  6,  6,  6,  6,  5,  5,  5,  5,  5,  5,  4,  4,  4,  4,  4,  4,
    3,   3,  3,  3,  3,  3,  3,  2,  2,  2,  2,  2,  2,  2,  2,  2,  1,  1,  1,  1,  1,  1,  1,  1,  1,  1,
    1,   1,  1,  1,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
};

// PL[p] = PR[127 - p]. Left side of the pan.
inline constexpr std::array<uint8_t, 128> kPanLeftAttenuation = [] {
    std::array<uint8_t, 128> table{};
    for (size_t p = 0; p < table.size(); ++p) table[p] = kPanRightAttenuation[127 - p];
    return table;
}();

struct LevelSettings {
    int16_t master_offset;  // 0.5 dB steps, subtracted from the volume attenuation
    uint8_t volume_mode;    // 0 = pan as the mean of both sides, otherwise per side
};

// Attenuation of both sides for a note: (left << 8) | right, each capped at 192. All inputs 0..127.
uint16_t Levels(const LevelSettings& settings, uint8_t pan, uint8_t volume, uint8_t expression,
                uint8_t velocity);

inline uint8_t LeftLevel(uint16_t levels) {
    return static_cast<uint8_t>(levels >> 8);
}
inline uint8_t RightLevel(uint16_t levels) {
    return static_cast<uint8_t>(levels & 0xFF);
}

}  // namespace cantavo
