#pragma once
// The program's environment variables.

#include <string>

namespace cantavo {

// The value of variable `name`; empty when it is not set.
std::string EnvironmentValue(const char* name);

}  // namespace cantavo
