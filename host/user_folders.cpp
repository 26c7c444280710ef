#include "host/user_folders.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kProgramFolder = "/cantavo";

std::string FromEnvironmentOr(const char* variable, const char* below_home) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') return std::string(value) + kProgramFolder;
    return HomeFolder() + below_home + kProgramFolder;
}

}  // namespace

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr ? home : "";
}

std::string UserConfigFolder() {
    return FromEnvironmentOr("XDG_CONFIG_HOME", "/.config");
}

std::string UserDataFolder() {
    return FromEnvironmentOr("XDG_DATA_HOME", "/.local/share");
}

std::string UserCacheFolder() {
    return FromEnvironmentOr("XDG_CACHE_HOME", "/.cache");
}

bool MakeFolders(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}
