#include "transfer/scramble.h"

namespace cantavo {
namespace {

// Key bytes 0x5C and 0x3A, built as seed XOR mask: neither is 0x00 or 0xFF, and they differ.
constexpr uint8_t kKeySeed0 = 0x13;
constexpr uint8_t kKeySeed1 = 0x4F;
constexpr uint8_t kKeyMask0 = 0x4F;
constexpr uint8_t kKeyMask1 = 0x75;

// Entry b is true when byte b passes unchanged (0x00, the key bytes, their XOR and the complements).
using PassTable = std::array<bool, 256>;

constexpr PassTable MakePassTable(uint8_t k0, uint8_t k1) {
    PassTable pass{};
    const uint8_t both = static_cast<uint8_t>(k0 ^ k1);
    for (uint8_t v : {uint8_t{0x00}, k0, k1, both}) {
        pass[v] = true;
        pass[static_cast<uint8_t>(~v)] = true;
    }
    return pass;
}

}  // namespace

std::array<uint8_t, 2> ScrambleKey() {
    return {static_cast<uint8_t>(kKeySeed0 ^ kKeyMask0), static_cast<uint8_t>(kKeySeed1 ^ kKeyMask1)};
}

void ScrambleBytes(uint8_t* buffer, size_t length) {
    static const std::array<uint8_t, 2> key = ScrambleKey();
    static constexpr PassTable kPass = MakePassTable(kKeySeed0 ^ kKeyMask0, kKeySeed1 ^ kKeyMask1);
    for (size_t i = 0; i < length; ++i)
        if (!kPass[buffer[i]]) buffer[i] ^= key[i & 1];
}

}  // namespace cantavo
