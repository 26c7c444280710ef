#include "transfer/protocol.h"

#include <algorithm>

namespace cantavo::protocol {
namespace {

constexpr uint32_t kSlowestBaud = 1200;
constexpr uint8_t kHighestSpeedIndex = 8;
// The standard speeds by index; above 38400 the series leaves the powers of two.
constexpr uint32_t kStandardBauds[] = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};

uint8_t XorAll(std::span<const uint8_t> bytes) {
    uint8_t x = 0;
    for (uint8_t b : bytes) x ^= b;
    return x;
}

}  // namespace

uint8_t LineSpeedCommand::SpeedIndexFor(uint32_t baud) {
    for (uint8_t k = 0; k <= kHighestSpeedIndex; ++k)
        if ((kSlowestBaud << k) >= baud) return k;
    return kHighestSpeedIndex;
}

uint32_t LineSpeedCommand::BaudFor(uint8_t speedIndex) {
    return kStandardBauds[std::min<uint8_t>(speedIndex, kHighestSpeedIndex)];
}

std::array<uint8_t, LineSpeedCommand::kBytes> LineSpeedCommand::Encode() const {
    std::array<uint8_t, kBytes> bytes{
        0x06, 'S', speedIndex, 'P', parity, 'T', static_cast<uint8_t>(stopBits + 1), 0};
    bytes[7] = XorAll(std::span(bytes).first(7));
    return bytes;
}

std::optional<LineSpeedCommand> LineSpeedCommand::Decode(std::span<const uint8_t, kBytes> bytes) {
    if (bytes[0] != 0x06 || bytes[1] != 'S' || bytes[3] != 'P' || bytes[5] != 'T') return std::nullopt;
    if (bytes[7] != XorAll(bytes.first(7))) return std::nullopt;
    if (bytes[2] > kHighestSpeedIndex || bytes[6] == 0) return std::nullopt;
    return LineSpeedCommand{bytes[2], bytes[4], static_cast<uint8_t>(bytes[6] - 1)};
}

std::vector<uint8_t> LoaderFrame::Encode(std::span<const uint8_t> data) {
    std::vector<uint8_t> frame;
    frame.reserve(data.size() + 2);
    frame.push_back(static_cast<uint8_t>(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(CheckByte(frame));
    return frame;
}

uint8_t LoaderFrame::CheckByte(std::span<const uint8_t> lengthAndData) {
    return XorAll(lengthAndData);
}

uint32_t LoaderModeWord(uint8_t loaderMode) {
    return loaderMode == 1 || loaderMode == 2 ? loaderMode : 0;
}

uint32_t LineControlWord(uint8_t byteSize, uint8_t parity) {
    uint32_t word = byteSize != 0 ? 3 : 2;
    if (parity == 1) word += 0x08;
    if (parity == 2) word += 0x18;
    return word;
}

uint8_t BlockHeader::Checksum(std::span<const uint8_t> data) {
    uint8_t sum = 0;
    for (uint8_t b : data) sum = static_cast<uint8_t>(sum + b);
    return sum;
}

std::array<uint8_t, kBlockHeaderBytes> BlockHeader::Encode() const {
    return {kBlockStart, static_cast<uint8_t>(length & 0xFF), static_cast<uint8_t>(length >> 8), checksum};
}

std::optional<BlockHeader> BlockHeader::Decode(std::span<const uint8_t, kBlockHeaderBytes> bytes) {
    if (bytes[0] != kBlockStart) return std::nullopt;
    return BlockHeader{static_cast<uint16_t>(bytes[1] | bytes[2] << 8), bytes[3]};
}

}  // namespace cantavo::protocol
