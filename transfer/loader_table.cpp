#include "transfer/loader_table.h"

#include <algorithm>

#include "host/file_io.h"
#include "transfer/session_texts.h"
#include "transfer/text_format.h"
#include "transfer_data.h"

namespace cantavo {
namespace {

constexpr char kBuiltInName[] = "placeholder.ldr";

uint32_t Word(const uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t{bytes[3]} << 24;
}

bool SendableSize(uint64_t size) {
    return size >= kLoaderFirstFrameBytes && size <= kLoaderImageBytes;
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
    if (!SendableSize(table.sizes[0])) return std::nullopt;
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

bool IsPlaceholderLoader(const LoaderTable& table) {
    const auto placeholder = BuiltInLoaderTable().Image();
    const auto image = table.Image();
    return std::equal(image.begin(), image.end(), placeholder.begin(), placeholder.end());
}

bool MayDownloadLoader(bool loaderIsPlaceholder, bool portIsPseudoTerminal) {
    return !loaderIsPlaceholder || portIsPseudoTerminal;
}

std::optional<LoaderTable> ReadLoaderFile(const std::filesystem::path& file, std::string& error) {
    const auto bytes = ReadFileBytes(file, error);
    if (!bytes) return std::nullopt;
    if (bytes->size() == kLoaderTableBytes) {
        auto table = ParseLoaderTable(bytes->data(), bytes->size());
        if (!table)
            error = Format(texts::kLoaderTableBadImage, file.c_str(), Word(bytes->data()),
                           kLoaderFirstFrameBytes, kLoaderImageBytes);
        return table;
    }
    if (!SendableSize(bytes->size())) {
        error = Format(texts::kLoaderFileBadSize, file.c_str(), bytes->size(), kLoaderTableBytes,
                       kLoaderFirstFrameBytes, kLoaderImageBytes);
        return std::nullopt;
    }
    LoaderTable table;
    table.sizes[0] = static_cast<uint32_t>(bytes->size());
    std::copy(bytes->begin(), bytes->end(), table.images[0].begin());
    return table;
}

}  // namespace cantavo
