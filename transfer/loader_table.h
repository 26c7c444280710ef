#pragma once
// The loader table: the handset's own software that the PC downloads before it can touch the flash.
//
// File layout (little-endian), 11960 bytes:
//   offset 0     uint32 size of image 0 (bytes to send, 30..5976)
//   offset 4     uint32 size of image 1 (unused, 0)
//   offset 8     image 0, 5976 bytes
//   offset 5984  image 1, 5976 bytes
// Bytes 4..15 of the image sent are replaced by three parameter words in the first frame (loader_frame.h).

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace cantavo {

inline constexpr uint32_t kLoaderImageBytes = 5976;
inline constexpr uint32_t kLoaderEntries = 2;
inline constexpr uint32_t kLoaderTableBytes = kLoaderEntries * 4 + kLoaderEntries * kLoaderImageBytes;
inline constexpr uint32_t kLoaderFirstFrameBytes =
    30;  // the first frame is always full, so a loader is >= 30

struct LoaderTable {
    std::array<uint32_t, kLoaderEntries> sizes{};
    std::array<std::array<uint8_t, kLoaderImageBytes>, kLoaderEntries> images{};
};

// The project's own placeholder loader (data/loader/), which the virtual handset accepts.
const LoaderTable& BuiltInLoaderTable();

// Parses a loader table file; on failure returns nullopt and sets `error` to a sentence naming the file.
std::optional<LoaderTable> ReadLoaderTableFile(const std::filesystem::path& file, std::string& error);
std::optional<LoaderTable> ParseLoaderTable(const uint8_t* bytes, size_t count);

}  // namespace cantavo
