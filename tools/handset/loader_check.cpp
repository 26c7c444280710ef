#include "tools/handset/loader_check.h"

#include <algorithm>

#include "transfer/protocol.h"

namespace cantavo {
namespace {

constexpr size_t kParamEnd = protocol::kLoaderParamOffset + 12;

uint32_t Word(std::span<const uint8_t> bytes, size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           uint32_t{bytes[offset + 3]} << 24;
}

}  // namespace

std::string CheckLoader(std::span<const uint8_t> received, std::span<const uint8_t> expected,
                        uint32_t expectedLineControl) {
    if (received.size() != expected.size())
        return "loader of " + std::to_string(received.size()) + " bytes, " + std::to_string(expected.size()) +
               " expected";
    if (received.size() < kParamEnd) return "loader shorter than its parameter words";
    if (Word(received, protocol::kLoaderParamOffset) != protocol::LoaderModeWord(0))
        return "unexpected loader mode";
    if (Word(received, protocol::kLoaderParamOffset + 4) != protocol::kLoaderHeaderConstant)
        return "header word is not 0x00020004";
    if (Word(received, protocol::kLoaderParamOffset + 8) != expectedLineControl)
        return "unexpected line control word";
    const auto mismatch = [&](size_t from, size_t to) {
        return !std::equal(received.begin() + from, received.begin() + to, expected.begin() + from);
    };
    if (mismatch(0, protocol::kLoaderParamOffset) || mismatch(kParamEnd, received.size()))
        return "not the loader this handset runs";
    return {};
}

}  // namespace cantavo
