// Reading an unsigned 32-bit number typed into an edit box.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace cantavo {

// Decimal digits with optional blanks around them, at most 4294967295; anything else (a sign, other
// characters, an empty box) is refused.
std::optional<uint32_t> ParseUnsignedText(std::string_view text);

}  // namespace cantavo
