#include "transfer/loader_table.h"

#include <algorithm>

#include "transfer/file_io.h"
#include "transfer_data.h"

namespace cantavo {
namespace {

constexpr char kBuiltInName[] = "placeholder.ldr";

uint32_t Word(const uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t{bytes[3]} << 24;
}

}  // namespace

std::optional<LoaderTable> ParseLoaderTable(const uint8_t* bytes, size_t count) {
    if (count != kLoaderTableBytes) return std::nullopt;
    LoaderTable table;
    for (uint32_t i = 0; i < kLoaderEntries; ++i) {
        table.sizes[i] = Word(bytes + 4 * i);
        const uint8_t* image = bytes + 4 * kLoaderEntries + i * kLoaderImageBytes;
        std::copy_n(image, kLoaderImageBytes, table.images[i].begin());
    }
    if (table.sizes[0] < kLoaderFirstFrameBytes || table.sizes[0] > kLoaderImageBytes) return std::nullopt;
    return table;
}

const LoaderTable& BuiltInLoaderTable() {
    static const LoaderTable table = [] {
        const std::string_view bytes = transfer_data::Find(kBuiltInName);
        return ParseLoaderTable(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())
            .value_or(LoaderTable{});
    }();
    return table;
}

std::optional<LoaderTable> ReadLoaderTableFile(const std::filesystem::path& file, std::string& error) {
    const auto bytes = ReadFileBytes(file, error);
    if (!bytes) return std::nullopt;
    auto table = ParseLoaderTable(bytes->data(), bytes->size());
    if (!table)
        error = file.string() + ": not a loader table (" + std::to_string(kLoaderTableBytes) +
                " bytes, image 0 of 30 to 5976 bytes)";
    return table;
}

}  // namespace cantavo
