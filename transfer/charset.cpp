#include "transfer/charset.h"

#include <array>
#include <cstdint>

namespace cantavo {
namespace {

// Code points of the bytes 0x80..0x9F; the five unassigned bytes map to the C1 control of the same value.
constexpr std::array<char32_t, 32> kHigh = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePoint(uint8_t byte) {
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

int ByteFor(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (size_t i = 0; i < kHigh.size(); ++i)
        if (kHigh[i] == cp) return static_cast<int>(0x80 + i);
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one UTF-8 sequence at `pos`; returns its length, 0 when the bytes there are not valid UTF-8.
size_t DecodeUtf8(std::string_view s, size_t pos, char32_t& cp) {
    const auto lead = static_cast<uint8_t>(s[pos]);
    const size_t length = lead < 0x80           ? 1
                          : (lead >> 5) == 0x6  ? 2
                          : (lead >> 4) == 0xE  ? 3
                          : (lead >> 3) == 0x1E ? 4
                                                : 0;
    if (length == 0 || pos + length > s.size()) return 0;
    cp = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        const auto b = static_cast<uint8_t>(s[pos + i]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = cp << 6 | (b & 0x3F);
    }
    // A longer form than the code point needs is not UTF-8: "\xC0\x80" would otherwise put a 0 into a
    // title and cut it on the handset. Nor are surrogates and what lies past U+10FFFF.
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kShortest[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
    return length;
}

}  // namespace

std::string Utf8ToCp1252(std::string_view utf8) {
    std::string out;
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t cp = 0;
        const size_t length = DecodeUtf8(utf8, pos, cp);
        if (length == 0) {
            out += utf8[pos++];
            continue;
        }
        const int byte = ByteFor(cp);
        out += byte < 0 ? '?' : static_cast<char>(byte);
        pos += length;
    }
    return out;
}

std::string Cp1252ToUtf8(std::string_view cp1252) {
    std::string out;
    for (char c : cp1252) AppendUtf8(out, CodePoint(static_cast<uint8_t>(c)));
    return out;
}

}  // namespace cantavo
