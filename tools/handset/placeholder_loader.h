#pragma once
// What the virtual handset checks in a downloaded loader: the header of the project's placeholder
// (data/loader/make_placeholder.py), with the PC's parameter words in bytes 4..15.

#include <cstdint>
#include <span>
#include <string>

namespace cantavo {

inline constexpr uint8_t kPlaceholderMagic[4] = {'C', 'V', 'L', 'D'};
inline constexpr size_t kPlaceholderSizeOffset = 16;
inline constexpr size_t kPlaceholderSumOffset = 20;
inline constexpr size_t kPlaceholderBodyOffset = 24;

// The loader image as received (parameter words included). Empty string when it is the placeholder with the
// parameters a Connect sends; otherwise the reason it is not.
std::string CheckPlaceholderLoader(std::span<const uint8_t> received, uint32_t expectedLineControl);

}  // namespace cantavo
