#include "host/loader_lookup.h"

#include <system_error>

#include "host/profile_file.h"
#include "host/user_folders.h"

namespace cantavo {

std::filesystem::path FindLoaderFile(const std::filesystem::path& given,
                                     const std::filesystem::path& profile) {
    if (!given.empty()) return given;
    const std::string stored = ReadProfileValue(profile, kLoaderProfileGroup, kLoaderProfileKey);
    if (!stored.empty()) return stored;
    const std::filesystem::path beside = std::filesystem::path(UserDataFolder()) / kLoaderFileName;
    std::error_code error;
    return std::filesystem::exists(beside, error) ? beside : std::filesystem::path();
}

}  // namespace cantavo
