#pragma once
// Slot titles are stored in the PC's 8-bit character set, Windows-1252; the program works in UTF-8.

#include <string>
#include <string_view>

namespace cantavo {

// Characters without a Windows-1252 byte become '?'; invalid UTF-8 bytes are taken as Windows-1252 already.
std::string Utf8ToCp1252(std::string_view utf8);
std::string Cp1252ToUtf8(std::string_view cp1252);

}  // namespace cantavo
