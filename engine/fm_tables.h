#pragma once
// Constant tables of the FM synthesizer, all at 22050 frames per second. Rules are rounded half up.

#include <array>
#include <cmath>
#include <cstdint>

namespace fm_tables {

inline constexpr int kWaveLength = 4096;  // samples per cycle; indexed by phase >> 20
inline constexpr int kWaveforms = 8;
inline constexpr int kLfoLength = 4096;  // indexed by lfo_phase >> 20

constexpr double kPi = 3.14159265358979323846;

constexpr int32_t RoundHalfUp(double x) {
    return static_cast<int32_t>(std::floor(x + 0.5));
}
constexpr int64_t RoundHalfUp64(double x) {
    return static_cast<int64_t>(std::floor(x + 0.5));
}

// S(i) = round(32767 sin(2 pi i / 4096)), one cycle; i may run to 8190 for the double-speed shapes.
constexpr int32_t Sine(int i) {
    return RoundHalfUp(32767.0 * std::sin(2.0 * kPi * i / kWaveLength));
}
constexpr int32_t Abs(int32_t x) {
    return x < 0 ? -x : x;
}

// Waveforms 0..7 by phase index 0..4095, signed 16-bit:
// 0 sine, 1 half sine, 2 rectified sine, 3 quarter pulses, 4 double-speed sine in the first half,
// 5 its rectified form, 6 square, 7 exponential saw.
inline constexpr std::array<std::array<int16_t, kWaveLength>, kWaveforms> kWaveform = [] {
    std::array<std::array<int16_t, kWaveLength>, kWaveforms> w{};
    constexpr int half = kWaveLength / 2;
    for (int i = 0; i < kWaveLength; ++i) {
        const int32_t s = Sine(i);
        const int32_t s2 = i < half ? Sine(2 * i) : 0;
        w[0][i] = static_cast<int16_t>(s);
        w[1][i] = static_cast<int16_t>(i < half ? s : 0);
        w[2][i] = static_cast<int16_t>(Abs(s));
        w[3][i] = static_cast<int16_t>(i % half <= kWaveLength / 4 ? Abs(s) : 0);
        w[4][i] = static_cast<int16_t>(s2);
        w[5][i] = static_cast<int16_t>(Abs(s2));
        w[6][i] = static_cast<int16_t>(i < half ? 32767 : -32767);
        if (i < half)
            w[7][i] = static_cast<int16_t>(RoundHalfUp(32767.0 * std::exp2(-i / 128.0)));
        else if (i <= kWaveLength - 2)
            w[7][i] = static_cast<int16_t>(-RoundHalfUp(32767.0 * std::exp2(-(4094 - i) / 128.0)));
        else
            w[7][i] = -32767;
    }
    return w;
}();

// Voice multiple 0..15 to the frequency multiple; 0 means 1/2.
inline constexpr std::array<uint8_t, 16> kMultiple = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 10, 12, 12, 15, 15};
// Octave code 0..3 to the block offset.
inline constexpr std::array<int8_t, 4> kOctaveOffset = {1, 0, -1, -2};
// Voice key-scale level 0..3 to the key-scale table number.
inline constexpr std::array<uint8_t, 4> kKeyScaleTable = {0, 2, 1, 3};
// Feedback 0..7 to the right shift of operator 1's output history; 0 = no feedback.
inline constexpr std::array<uint8_t, 8> kFeedbackShift = {0, 7, 6, 5, 4, 3, 2, 1};

// Q15 gain of total level 0..63: round(32768 x 10^(-0.75 TL / 20)), TL 0 = 32512.
inline constexpr std::array<uint32_t, 64> kTotalLevelGain = [] {
    std::array<uint32_t, 64> t{};
    for (int tl = 0; tl < 64; ++tl) t[tl] = RoundHalfUp(32768.0 * std::pow(10.0, -0.75 * tl / 20.0));
    t[0] = 32512;
    return t;
}();

// eg_level where decay turns into sustain, by sustain level 0..15: round(2^31 x 10^(-3 SL / 20)); SL 15 is
// taken as -93 dB.
inline constexpr std::array<uint32_t, 16> kSustainTarget = [] {
    std::array<uint32_t, 16> t{};
    for (int sl = 0; sl < 15; ++sl)
        t[sl] = static_cast<uint32_t>(RoundHalfUp64(2147483648.0 * std::pow(10.0, -3.0 * sl / 20.0)));
    t[15] = static_cast<uint32_t>(RoundHalfUp64(2147483648.0 * std::pow(10.0, -93.0 / 20.0)));
    return t;
}();

// Q15 key-scale gains, tables 1..3 (table 0 is unity), index ((fnum >> 6) << 3) | block:
// A = max(0, 0.75 K[fnum >> 6] - 6 (7 - block)) dB times 1/4, 1/2 or 1; 32512 at 0 dB, else
// round(32768 x 10^(-A / 20)). Table 2 takes base 35 for row 3.
inline constexpr std::array<std::array<uint32_t, 128>, 4> kKeyScaleGain = [] {
    constexpr std::array<int, 16> base = {0, 24, 32, 37, 40, 43, 45, 47, 48, 50, 51, 52, 53, 54, 55, 56};
    constexpr std::array<double, 4> scale = {0.0, 0.25, 0.5, 1.0};
    std::array<std::array<uint32_t, 128>, 4> t{};
    for (int table = 1; table < 4; ++table) {
        for (int f = 0; f < 16; ++f) {
            const int k = table == 2 && f == 3 ? 35 : base[f];
            for (int block = 0; block < 8; ++block) {
                const double full = 0.75 * k - 6.0 * (7 - block);
                const double a = (full > 0 ? full : 0.0) * scale[table];
                t[table][(f << 3) | block] =
                    a == 0 ? 32512 : RoundHalfUp(32768.0 * std::pow(10.0, -a / 20.0));
            }
        }
    }
    return t;
}();

// LFO phase step per frame (12.20 of a 4096-entry cycle): 1.9, 4.2, 6.1, 7.2 Hz.
inline constexpr std::array<uint32_t, 4> kLfoStep = {0x0005A5A8, 0x000C7BA9, 0x00122151, 0x00156646};

// Q15 tremolo gain, depth 0..3 by LFO index: round(32768 x 10^(-D t(i) / 20)), D = 1.3, 2.8, 5.8, 11.8 dB,
// t a triangle from 0 at i = 0 to 1 at i = 2048 and back.
inline constexpr std::array<std::array<uint16_t, kLfoLength>, 4> kTremolo = [] {
    constexpr std::array<double, 4> depth_db = {1.3, 2.8, 5.8, 11.8};
    std::array<std::array<uint16_t, kLfoLength>, 4> t{};
    for (int d = 0; d < 4; ++d)
        for (int i = 0; i < kLfoLength; ++i) {
            const double tri = i <= 2048 ? i / 2048.0 : (4096 - i) / 2048.0;
            t[d][i] = static_cast<uint16_t>(RoundHalfUp(32768.0 * std::pow(10.0, -depth_db[d] * tri / 20.0)));
        }
    return t;
}();

// Q20 vibrato ratio, depth 0..3 by LFO index: 2^20 x 2^(C v(i) / 1200), C = 3.4, 6.7, 13.5, 26.8 cents,
// v piecewise linear through (0, 0), (1023, 1), (2048, 0), (3072, -1), (4096, 0).
inline constexpr std::array<std::array<uint32_t, kLfoLength>, 4> kVibrato = [] {
    constexpr std::array<double, 4> depth_cents = {3.4, 6.7, 13.5, 26.8};
    std::array<std::array<uint32_t, kLfoLength>, 4> t{};
    for (int d = 0; d < 4; ++d)
        for (int i = 0; i < kLfoLength; ++i) {
            double v;
            if (i <= 1023)
                v = i / 1023.0;
            else if (i <= 2048)
                v = (2048 - i) / 1025.0;
            else if (i <= 3072)
                v = -(i - 2048) / 1024.0;
            else
                v = -(4096 - i) / 1024.0;
            t[d][i] = static_cast<uint32_t>(RoundHalfUp(1048576.0 * std::exp2(depth_cents[d] * v / 1200.0)));
        }
    return t;
}();

// Envelope step per sample by rate index 0..63 (R x 4 + key code): attack adds to eg_level...
inline constexpr std::array<uint32_t, 64> kAttackStep = {
    0,          0,          0,          0,          0x0000803A, 0x0000A048, 0x0000C057, 0x0000E065,
    0x00010074, 0x00014090, 0x000180AE, 0x0001C0CB, 0x000200E7, 0x00028122, 0x0003015A, 0x00038192,
    0x000401CB, 0x00050244, 0x000602BB, 0x00070330, 0x000803A4, 0x000A0472, 0x000C0576, 0x000E065F,
    0x0010070F, 0x0014093D, 0x00180AEC, 0x001C0CBE, 0x00200E1F, 0x00281119, 0x003013DA, 0x0038197C,
    0x00401C3E, 0x005027BA, 0x00602FAC, 0x00702822, 0x0080387B, 0x00A04F74, 0x00C03F7D, 0x00E07BA2,
    0x0100385E, 0x01404676, 0x0180FE7B, 0x01C0F745, 0x020070BD, 0x02808CEC, 0x0301FCF6, 0x037F3A28,
    0x0400E179, 0x050119D8, 0x05FC09CA, 0x06FE744F, 0x0E833158, 0x1223FDAE, 0x157FFD3F, 0x193D346C,
    0x1D0662AF, 0x2447FB5B, 0x2CA75CBF, 0x305FF9CF, 0x80000000, 0x80000000, 0x80000000, 0x80000000,
};

// ... decay, sustain and release multiply it (Q30; 0x40000000 holds).
inline constexpr std::array<uint32_t, 64> kDecayMul = {
    0x40000000, 0x40000000, 0x40000000, 0x40000000, 0x3FFFCD63, 0x3FFFC0BC, 0x3FFFB414, 0x3FFFA76D,
    0x3FFF9AC6, 0x3FFF8177, 0x3FFF6829, 0x3FFF4EDA, 0x3FFF358C, 0x3FFF02F0, 0x3FFED053, 0x3FFE9DB7,
    0x3FFE6B1B, 0x3FFE05E3, 0x3FFDA0AC, 0x3FFD3B75, 0x3FFCD640, 0x3FFC0BD6, 0x3FFB416D, 0x3FFA7709,
    0x3FF9ACA7, 0x3FF817E8, 0x3FF68335, 0x3FF4EE8D, 0x3FF359E9, 0x3FF030CB, 0x3FED07E0, 0x3FE9DF17,
    0x3FE6B66A, 0x3FE065A5, 0x3FDA155F, 0x3FD3C586, 0x3FCD766D, 0x3FC0DA46, 0x3FB44135, 0x3FA7AAD4,
    0x3F9B1658, 0x3F81F2DA, 0x3F68DF9F, 0x3F4FCF94, 0x3F36C57F, 0x3F04DDF7, 0x3ED315FE, 0x3EA18432,
    0x3E7003B1, 0x3E0DBC12, 0x3DABB2D2, 0x3D4A87BE, 0x3CE9CB34, 0x3C2A092D, 0x3B6D1981, 0x3AB38867,
    0x39F9B30F, 0x3891211E, 0x372DE101, 0x35D75EDA, 0x3489D115, 0x3489D115, 0x3489D115, 0x3489D115,
};

}  // namespace fm_tables
