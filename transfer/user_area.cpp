#include "transfer/user_area.h"

#include <algorithm>
#include <charconv>

#include "transfer/charset.h"

namespace cantavo {
namespace {

constexpr char kSmafMagic[] = "MMMD";
constexpr size_t kSmafHeaderBytes = 8;  // "MMMD" and a big-endian 32-bit length of what follows

}  // namespace

uint32_t SlotOffset(int index) {
    return index < kFmSlotCount ? index * kFmSlotBytes
                                : kAdpcmAreaOffset + (index - kFmSlotCount) * kAdpcmSlotBytes;
}

uint32_t SlotSize(int index) {
    return index < kFmSlotCount ? kFmSlotBytes : kAdpcmSlotBytes;
}

int SlotFromMask(int mask) {
    for (int index = 0; index < 12; ++index)
        if (mask == 1 << index) return index;
    return 1;
}

std::string TitleFromFileName(std::string_view fileName) {
    const size_t dot = fileName.find('.');
    return dot == std::string_view::npos ? std::string() : std::string(fileName.substr(0, dot));
}

std::vector<uint8_t> BuildSlot(int index, std::string_view titleUtf8, std::span<const uint8_t> melody) {
    std::vector<uint8_t> slot(SlotSize(index), 0);
    const std::string title = Utf8ToCp1252(titleUtf8);
    std::copy_n(title.begin(), std::min<size_t>(title.size(), kSlotTitleBytes), slot.begin());
    const size_t n = std::min<size_t>(melody.size(), slot.size() - kSlotTitleBytes);
    std::copy_n(melody.begin(), n, slot.begin() + kSlotTitleBytes);
    return slot;
}

std::string SlotTitle(std::span<const uint8_t> titleBytes) {
    const auto bytes = titleBytes.first(std::min<size_t>(titleBytes.size(), kSlotTitleBytes));
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    return Cp1252ToUtf8(std::string(bytes.begin(), end));
}

std::vector<uint8_t> MelodyBytes(std::span<const uint8_t> slot) {
    if (slot.size() <= kSlotTitleBytes) return {};
    const auto data = slot.subspan(kSlotTitleBytes);
    if (data.size() >= kSmafHeaderBytes && std::equal(data.begin(), data.begin() + 4, kSmafMagic)) {
        const uint64_t length =
            kSmafHeaderBytes + (uint64_t{data[4]} << 24 | data[5] << 16 | data[6] << 8 | data[7]);
        return {data.begin(), data.begin() + std::min<uint64_t>(length, data.size())};
    }
    auto end = data.end();
    while (end != data.begin() && *(end - 1) == 0) --end;
    return {data.begin(), end};
}

std::optional<int> SlotIndexFromNumber(std::string_view number) {
    int value = 0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec != std::errc() || ptr != number.data() + number.size() || value < 1 || value > 12)
        return std::nullopt;
    return value - 1;
}

}  // namespace cantavo
