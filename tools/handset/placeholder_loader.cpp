#include "tools/handset/placeholder_loader.h"

#include <algorithm>
#include <numeric>

#include "transfer/protocol.h"

namespace cantavo {
namespace {

uint32_t Word(std::span<const uint8_t> bytes, size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           uint32_t{bytes[offset + 3]} << 24;
}

}  // namespace

std::string CheckPlaceholderLoader(std::span<const uint8_t> received, uint32_t expectedLineControl) {
    if (received.size() < kPlaceholderBodyOffset) return "loader shorter than its header";
    if (!std::equal(std::begin(kPlaceholderMagic), std::end(kPlaceholderMagic), received.begin()))
        return "not the placeholder loader (magic)";
    if (Word(received, protocol::kLoaderParamOffset) != protocol::LoaderModeWord(0))
        return "unexpected loader mode";
    if (Word(received, protocol::kLoaderParamOffset + 4) != protocol::kLoaderHeaderConstant)
        return "header word is not 0x00020004";
    if (Word(received, protocol::kLoaderParamOffset + 8) != expectedLineControl)
        return "unexpected line control word";
    if (Word(received, kPlaceholderSizeOffset) != received.size())
        return "size word differs from the bytes received";
    const uint32_t sum =
        std::accumulate(received.begin() + kPlaceholderBodyOffset, received.end(), uint32_t{0});
    if (Word(received, kPlaceholderSumOffset) != sum) return "body sum mismatch";
    return {};
}

}  // namespace cantavo
