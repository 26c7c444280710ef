#pragma once
// The application profile, an INI file in the user's config folder. The window writes it (wxFileConfig, no
// escape characters); programs without wx read the settings they share with it here.

#include <filesystem>
#include <string>
#include <string_view>

namespace cantavo {

// UserConfigFolder()/cantavo.ini.
std::filesystem::path UserProfileFile();

// The value of `key` in `[group]` (names compared without regard to case, as wxFileConfig does); empty when
// the file, the group or the key is missing.
std::string ReadProfileValue(const std::filesystem::path& file, std::string_view group, std::string_view key);

}  // namespace cantavo
