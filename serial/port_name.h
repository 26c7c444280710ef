#pragma once
// The names a user gives a port: "COMn", numbered through the profile's port map, or a device path.

#include <optional>
#include <string_view>

namespace cantavo {

// n of "COMn" (n >= 1, decimal digits only); nullopt for any other name, which is a device path ("COM3x"
// and "COM0" are device paths too, not COM3 and not a port).
std::optional<int> ComPortNumber(std::string_view name);

}  // namespace cantavo
