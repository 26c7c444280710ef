#pragma once
// The loader table: the handset's own software that the PC downloads before it can touch the flash.
//
// File layout (little-endian), 11960 bytes:
//   offset 0     uint32 size of image 0 (bytes to send, 30..5976)
//   offset 4     uint32 size of image 1 (unused, 0)
//   offset 8     image 0, 5976 bytes
//   offset 5984  image 1, 5976 bytes
// A loader file is such a table, or a bare image of 30 to 5976 bytes taken as entry 0.
// Bytes 4..15 of the image sent are replaced by three parameter words in the first frame (protocol.h).

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
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

    // The bytes of entry 0 that are sent.
    std::span<const uint8_t> Image() const { return std::span(images[0]).first(sizes[0]); }
};

// The project's own placeholder loader (data/loader/), which the virtual handset accepts.
const LoaderTable& BuiltInLoaderTable();
// Whether `table` sends the placeholder's image, wherever it was read from.
bool IsPlaceholderLoader(const LoaderTable& table);
// The placeholder runs on no handset: it may only go to a pseudo-terminal (the virtual handset). Any other
// loader may go to any port.
bool MayDownloadLoader(bool loaderIsPlaceholder, bool portIsPseudoTerminal);

// Reads a loader file (a table or a bare image); on failure returns nullopt and sets `error` to
// "<file>: <reason>".
std::optional<LoaderTable> ReadLoaderFile(const std::filesystem::path& file, std::string& error);
std::optional<LoaderTable> ParseLoaderTable(const uint8_t* bytes, size_t count);

}  // namespace cantavo
