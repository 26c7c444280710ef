#pragma once
// printf-style formatting into a std::string, for the program's %-texts.

#include <string>

namespace cantavo {

__attribute__((format(printf, 1, 2))) std::string Format(const char* format, ...);

}  // namespace cantavo
