#pragma once
// One timed message of the event list.
//
//   SeqEvent (12 bytes):  0 time (u32, ms from the song start, wraps)   4 reserved (u32, 0)   8 message
//   message (u32):        bits 7-0 status   15-8 d1   23-16 d2   31-24 d3
//
// Status 0x80-0xEF: channel message.  0xF0: engine register write (d1 top bits, d2 register, d3 value).
// 0xF1: d1 7 = start wave d3, d1 8 = stop wave, d1 9 = wave volume d3 (d2 the ADPCM voice in each).

#include <cstdint>

namespace cantavo {

struct SeqEvent {
    uint32_t time;      // ms
    uint32_t reserved;  // always 0
    uint32_t message;   // layout above
};
static_assert(sizeof(SeqEvent) == 12);

inline constexpr uint8_t kStatusRegisterWrite = 0xF0;
inline constexpr uint8_t kStatusWave = 0xF1;
inline constexpr uint8_t kWaveStart = 7;
inline constexpr uint8_t kWaveStop = 8;
inline constexpr uint8_t kWaveVolume = 9;

constexpr uint32_t PackMessage(uint8_t status, uint8_t d1 = 0, uint8_t d2 = 0, uint8_t d3 = 0) {
    return status | (uint32_t{d1} << 8) | (uint32_t{d2} << 16) | (uint32_t{d3} << 24);
}

constexpr uint8_t MessageByte(uint32_t message, int index) {
    return static_cast<uint8_t>(message >> (8 * index));
}

}  // namespace cantavo
