#pragma once
// A new folder of this program's own among the system's temporary files.

#include <filesystem>
#include <optional>
#include <string>

namespace cantavo {

// Creates an empty folder named `prefix` and a unique ending in the temporary folder ($TMPDIR or the
// system's); nothing, with `error` naming the folder and the reason, when it cannot be created.
std::optional<std::filesystem::path> MakeTempFolder(const std::string& prefix, std::string& error);

}  // namespace cantavo
