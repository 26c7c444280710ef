#pragma once
// printf-style formatting into a std::string, for the converter's %-texts.

#include <algorithm>
#include <cstdio>
#include <string>

namespace cantavo {

template <typename... Args>
std::string FormatText(const char* format, Args... args) {
    const int length = std::snprintf(nullptr, 0, format, args...);
    std::string text(static_cast<size_t>(std::max(length, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, args...);
    return text;
}

}  // namespace cantavo
