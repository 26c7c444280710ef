#pragma once
// The byte scrambling of the image files and of every block on the wire.

#include <array>
#include <cstddef>
#include <cstdint>

namespace cantavo {

// Key byte 0 for even offsets, key byte 1 for odd ones. Built from two constants, like the original; files
// made with another key cannot be exchanged with this program.
std::array<uint8_t, 2> ScrambleKey();

// In place: XORs each byte with its key byte unless it is 0x00, 0xFF, a key byte, their XOR or a complement
// of those three. That set is closed under both XORs, so the function is its own inverse and never yields
// 0x00/0xFF. Offsets count from the buffer's start, which callers keep at an even image offset.
void ScrambleBytes(uint8_t* buffer, size_t length);

}  // namespace cantavo
