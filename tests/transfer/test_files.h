#pragma once
// Files the tests hand to the programs, built by their layouts: SMAF melodies and loader tables.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "transfer/loader_table.h"

namespace cantavo::testing {

// `size` bytes starting with a SMAF file chunk header ("MMMD", the big-endian length of the rest); byte i
// after it is seed + i * step.
inline std::vector<uint8_t> SmafFile(size_t size, uint8_t seed = 0x41, uint8_t step = 0) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i * step);
    const auto rest = static_cast<uint32_t>(size - 8);
    const uint8_t header[8] = {'M',
                               'M',
                               'M',
                               'D',
                               static_cast<uint8_t>(rest >> 24),
                               static_cast<uint8_t>(rest >> 16),
                               static_cast<uint8_t>(rest >> 8),
                               static_cast<uint8_t>(rest)};
    std::copy(header, header + 8, bytes.begin());
    return bytes;
}

// A loader table file: size word 0 (little-endian), size word 1 zero, image 0 (zero-padded), image 1 zero.
inline std::vector<uint8_t> LoaderTableFile(uint32_t sizeWord, const std::vector<uint8_t>& image) {
    std::vector<uint8_t> table(kLoaderTableBytes, 0);
    for (int i = 0; i < 4; ++i) table[i] = static_cast<uint8_t>(sizeWord >> (8 * i));
    std::copy(image.begin(), image.end(), table.begin() + 8);
    return table;
}
inline std::vector<uint8_t> LoaderTableFile(const std::vector<uint8_t>& image) {
    return LoaderTableFile(static_cast<uint32_t>(image.size()), image);
}

}  // namespace cantavo::testing
