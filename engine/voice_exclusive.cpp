#include "engine/voice_exclusive.h"

#include "engine/smaf_format.h"

namespace cantavo {
namespace {

constexpr uint8_t kFirstInvalidHead = 16;
constexpr uint32_t kShortFormBytes = 14;
constexpr uint32_t kLongFormBytes = 27;
constexpr uint8_t kSongBankBase = 20;
constexpr uint8_t kSongDrumBankBase = 30;

// Rate codes of the short form into the 4-bit rates of a packed operator.
constexpr std::array<uint8_t, 16> kShortRateT1 = {0, 0, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14};
constexpr std::array<uint8_t, 16> kShortRateT2 = {1, 1, 1, 1, 1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15};

constexpr uint8_t U8(int value) {
    return static_cast<uint8_t>(value);
}

SongVoice FromShortForm(const uint8_t* x) {
    SongVoice v{};
    v[0] = x[0];
    v[1] = kSongBankBase;
    v[2] = x[2];
    v[3] = U8(0x80 | ((x[7] & 7) << 3));  // LFO 2, feedback, algorithm 0
    v[4] = x[3] & 3;
    // Operator 1.
    v[5] = (x[4] >> 1) & 0x7E;
    v[6] = U8((kShortRateT1[((x[4] & 3) << 2) | (x[5] >> 6)] << 4) | kShortRateT1[(x[5] >> 2) & 0x0F]);
    v[7] = U8((kShortRateT2[((x[5] & 3) << 2) | (x[6] >> 6)] << 4) | ((x[6] >> 2) & 0x0F));
    v[8] = U8((((x[6] & 3) << 4) | (x[7] >> 4)) << 2);
    v[9] = U8(0x80 | ((x[7] >> 3) & 3));
    // Operator 2; an attack code below 5 without the g bit reads as code 9 with it.
    uint8_t g = (x[8] >> 3) & 1;
    uint8_t m = U8(((x[8] & 3) << 2) | (x[9] >> 6));
    if (g == 0 && m < 5) {
        g = 1;
        m = 9;
    }
    v[10] = U8(((x[8] >> 5) << 4) | (((x[8] >> 4) & 1) << 3) | (g << 2) | (((x[8] >> 2) & 1) << 1));
    v[11] = U8((kShortRateT1[m] << 4) | kShortRateT1[(x[9] >> 2) & 0x0F]);
    v[12] = U8((kShortRateT2[((x[9] & 3) << 2) | (x[10] >> 6)] << 4) | ((x[10] >> 2) & 0x0F));
    v[13] = U8((((x[10] & 3) << 4) | (x[11] >> 4)) << 2);
    v[14] = U8(0x80 | ((x[11] >> 3) & 3));
    return v;
}

SongVoice FromLongForm(const uint8_t* b) {
    SongVoice v{};
    for (uint32_t i = 0; i + 1 < kSongVoiceBytes; ++i) v[i] = b[i];
    v[1] = v[1] < 0x80 ? U8(v[1] + kSongBankBase) : U8((v[1] & 0x7F) + kSongDrumBankBase);
    return v;
}

}  // namespace

std::optional<SongVoice> DecodeVoiceExclusive(const uint8_t* body, uint32_t length) {
    if (length < 3 || body[0] != smaf::kManufacturerId || body[2] >= kFirstInvalidHead) return std::nullopt;
    if (body[1] == smaf::kShortFormVoice && length >= kShortFormBytes) return FromShortForm(body + 2);
    if (body[1] == smaf::kLongFormVoice && length >= kLongFormBytes) return FromLongForm(body + 2);
    return std::nullopt;
}

}  // namespace cantavo
