#pragma once
// Song voice definitions carried in SMAF exclusive messages, decoded into the 26-byte song voice of
// voice_table.h.
//
//   short form (2 operators):  43 02 x0 x1 ... x11        (14 bytes; x0 < 16), bank code 20
//   long form:                 43 03 v0 v1 ... v24        (27 bytes; v0 < 16), v1 = bank code, 26th byte 0
//
// In the long form a bank code k < 0x80 becomes k + 20 and k >= 0x80 becomes (k & 0x7F) + 30, so song voices
// land in banks 20-39.

#include <array>
#include <cstdint>
#include <optional>

#include "engine/voice_table.h"

namespace cantavo {

using SongVoice = std::array<uint8_t, kSongVoiceBytes>;

// The song voice of an exclusive body, or nothing when the body is not a voice definition or too short.
std::optional<SongVoice> DecodeVoiceExclusive(const uint8_t* body, uint32_t length);

}  // namespace cantavo
