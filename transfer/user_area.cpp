#include "transfer/user_area.h"

#include <algorithm>
#include <charconv>

#include "transfer/charset.h"
#include "transfer/scramble.h"

namespace cantavo {
namespace {

constexpr char kSmafMagic[] = "MMMD";
constexpr size_t kSmafHeaderBytes = 8;  // "MMMD" and a big-endian 32-bit length of what follows

}  // namespace

uint32_t SlotOffset(int index) {
    return index < kFmMelodySlotCount ? index * kFmSlotBytes
                                      : kAdpcmAreaOffset + (index - kFmMelodySlotCount) * kAdpcmSlotBytes;
}

uint32_t SlotSize(int index) {
    return index < kFmMelodySlotCount ? kFmSlotBytes : kAdpcmSlotBytes;
}

uint32_t SlotCapacity(int index) {
    return index < kFmMelodySlotCount ? kFmMelodyBytes : kAdpcmMelodyBytes;
}

std::string SlotLabel(int index) {
    return index < kFmMelodySlotCount ? "FM " + std::to_string(index + 1)
                                      : "ADPCM " + std::to_string(index - kFmMelodySlotCount + 1);
}

int SlotFromMask(int mask) {
    for (int index = 0; index < kMelodySlotCount; ++index)
        if (mask == 1 << index) return index;
    return 1;
}

std::string TitleFromFileName(std::string_view fileName) {
    // An empty title would be useless on the handset: a name without a dot is the title itself.
    return std::string(fileName.substr(0, fileName.find('.')));
}

bool StartsWithSmafChunk(std::span<const uint8_t> bytes) {
    return bytes.size() >= kSmafHeaderBytes && std::equal(bytes.begin(), bytes.begin() + 4, kSmafMagic);
}

std::vector<uint8_t> BuildSlot(int index, std::string_view titleUtf8, std::span<const uint8_t> melody) {
    std::vector<uint8_t> slot(SlotSize(index), 0);
    const std::string title = Utf8ToCp1252(titleUtf8);
    std::copy_n(title.begin(), std::min<size_t>(title.size(), kSlotTitleBytes), slot.begin());
    const size_t n = std::min<size_t>(melody.size(), SlotCapacity(index));
    std::copy_n(melody.begin(), n, slot.begin() + kSlotTitleBytes);
    return slot;
}

std::string SlotTitle(std::span<const uint8_t> titleBytes) {
    const auto bytes = titleBytes.first(std::min<size_t>(titleBytes.size(), kSlotTitleBytes));
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    return Cp1252ToUtf8(std::string(bytes.begin(), end));
}

std::vector<uint8_t> PlainSlot(std::span<const uint8_t> image, int index) {
    std::vector<uint8_t> slot(SlotSize(index), 0);
    const size_t offset = SlotOffset(index);
    if (offset < image.size())
        std::copy_n(image.begin() + offset, std::min<size_t>(slot.size(), image.size() - offset),
                    slot.begin());
    ScrambleBytes(slot.data(), slot.size());
    return slot;
}

bool IsErasedSlot(std::span<const uint8_t> slot) {
    const auto title = slot.first(std::min<size_t>(slot.size(), kSlotTitleBytes));
    return !title.empty() &&
           std::all_of(title.begin(), title.end(), [](uint8_t b) { return b == kErasedByte; });
}

std::vector<uint8_t> MelodyBytes(std::span<const uint8_t> slot) {
    if (slot.size() <= kSlotTitleBytes) return {};
    const auto data = slot.subspan(kSlotTitleBytes);
    if (StartsWithSmafChunk(data)) {
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
    if (ec != std::errc() || ptr != number.data() + number.size() || value < 1 || value > kMelodySlotCount)
        return std::nullopt;
    return value - 1;
}

}  // namespace cantavo
