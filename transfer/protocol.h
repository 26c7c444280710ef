#pragma once
// The bytes on the line between the PC and the handset, shared by the session and the virtual handset.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace cantavo::protocol {

// Line speeds.
inline constexpr uint32_t kDetectBaud = 2400;
inline constexpr uint32_t kWorkingBaud = 115200;
inline constexpr uint32_t kBitsPerByte = 10;  // start, 8 data, stop

// Single-byte codes.
inline constexpr uint8_t kWakeUp = 0x28;  // PC -> handset before the line-speed command
inline constexpr uint8_t kAck = 0x06;
inline constexpr uint8_t kNak = 0x15;
inline constexpr uint8_t kSyncRequest = 0xAA;  // both ways; also starts the user-area read
inline constexpr uint8_t kSyncAnswer =
    0x99;                                    // both ways; also requests the next read group, confirms a block
inline constexpr uint8_t kErase = 0xBB;      // PC -> handset
inline constexpr uint8_t kEraseDone = 0xDD;  // handset -> PC
inline constexpr uint8_t kLeave = 0xDD;      // PC -> handset when the user is done
inline constexpr uint8_t kBlockStart = 0xAA;

// Time-outs.
inline constexpr int kAckTimeoutMs = 100;
inline constexpr int kSyncTimeoutMs = 100;
inline constexpr int kReadByteTimeoutMs = 200;
inline constexpr int kEraseTimeoutMs = 10000;
inline constexpr int kCreditTimeoutMs = 2000;
inline constexpr int kBlockDoneTimeoutMs = 500;
inline constexpr int kDetectIntervalMs = 1000;
inline constexpr int kWakeUpAttempts = 10;
// A wait that skips what is not its answer (NAKs, noise before a synchronisation answer, credit rounds in
// which nothing could be sent) gives up after this many: a babbling line must not hold it for ever, one byte
// at a time.
inline constexpr int kSkippedBytesLimit = 256;

// User-area read and block programming.
inline constexpr uint32_t kReadGroupBytes = 8;
inline constexpr uint32_t kBlockBytes = 1024;
inline constexpr uint32_t kBlockAlignBytes = 4;
inline constexpr uint32_t kBlockHeaderBytes = 4;
inline constexpr int kCreditWindowBytes = 16;

// Line-speed command, 8 bytes at 2400 baud:
//   0x06 'S' k 'P' parity 'T' stopBits+1 xor(0..6), with k the index of the speed in the standard series.
struct LineSpeedCommand {
    static constexpr size_t kBytes = 8;
    uint8_t speedIndex = 0;
    uint8_t parity = 0;
    uint8_t stopBits = 0;

    // The smallest k in 0..8 with 1200 * 2^k >= baud, else 8.
    static uint8_t SpeedIndexFor(uint32_t baud);
    // The standard speed an index stands for (the handset's reading; index 8 is taken as 230400).
    static uint32_t BaudFor(uint8_t speedIndex);
    std::array<uint8_t, kBytes> Encode() const;
    static std::optional<LineSpeedCommand> Decode(std::span<const uint8_t, kBytes> bytes);
};

// Loader frame: L (0..30), L data bytes, xor of L and the data. L = 0 is the end frame 0x00 0x00.
struct LoaderFrame {
    static constexpr size_t kMaxData = 30;
    static std::vector<uint8_t> Encode(std::span<const uint8_t> data);
    static uint8_t CheckByte(std::span<const uint8_t> lengthAndData);
};

// Loader parameter words written over bytes 4..15 of the first frame (32-bit little-endian each).
inline constexpr size_t kLoaderParamOffset = 4;
inline constexpr uint32_t kLoaderHeaderConstant = 0x00020004;
uint32_t LoaderModeWord(uint8_t loaderMode);
uint32_t LineControlWord(uint8_t byteSize, uint8_t parity);

// Block header: 0xAA, length low, length high, sum of the (scrambled) data bytes mod 256.
struct BlockHeader {
    uint16_t length = 0;
    uint8_t checksum = 0;

    static uint8_t Checksum(std::span<const uint8_t> data);
    std::array<uint8_t, kBlockHeaderBytes> Encode() const;
    static std::optional<BlockHeader> Decode(std::span<const uint8_t, kBlockHeaderBytes> bytes);
};

// Time for `bytes` bytes on a line of `baud` bits per second.
inline constexpr double LineSeconds(uint64_t bytes, uint32_t baud) {
    return static_cast<double>(bytes * kBitsPerByte) / baud;
}

}  // namespace cantavo::protocol
