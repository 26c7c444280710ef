#pragma once
// What the virtual handset checks in a downloaded loader: the image it runs (the project's placeholder, or
// the loader file it was given), with the PC's parameter words in bytes 4..15.

#include <cstdint>
#include <span>
#include <string>

namespace cantavo {

// The loader image as received (parameter words included) against the image expected. Empty string when they
// match and the words are those a Connect sends; otherwise the reason they do not.
std::string CheckLoader(std::span<const uint8_t> received, std::span<const uint8_t> expected,
                        uint32_t expectedLineControl);

}  // namespace cantavo
