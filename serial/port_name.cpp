#include "serial/port_name.h"

#include <charconv>

namespace cantavo {

std::optional<int> ComPortNumber(std::string_view name) {
    constexpr std::string_view kPrefix = "COM";
    if (!name.starts_with(kPrefix)) return std::nullopt;
    const std::string_view digits = name.substr(kPrefix.size());
    if (digits.empty() || digits.front() < '0' || digits.front() > '9') return std::nullopt;  // no sign
    int number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || end != digits.data() + digits.size() || number < 1) return std::nullopt;
    return number;
}

}  // namespace cantavo
