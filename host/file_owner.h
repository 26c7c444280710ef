#pragma once
// Who owns a file: the group a user must join to open a device.

#include <optional>
#include <string>

namespace cantavo {

// The name of the group owning `path` (its number when the group has no name); nothing when the file cannot
// be looked at.
std::optional<std::string> OwningGroup(const std::string& path);

}  // namespace cantavo
