#include "host/user_folders.h"

#include <filesystem>
#include <system_error>

#include "host/environment.h"

namespace cantavo {
namespace {

constexpr const char* kProgramFolder = "/cantavo";

std::string FromEnvironmentOr(const char* variable, const char* below_home) {
    const std::string value = EnvironmentValue(variable);
    if (value.starts_with('/')) return value + kProgramFolder;
    return HomeFolder() + below_home + kProgramFolder;
}

}  // namespace

std::string HomeFolder() {
    return EnvironmentValue("HOME");
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

std::string CurrentFolder() {
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::current_path(error);
    return error ? std::string() : folder.string();
}

bool MakeFolders(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    return std::filesystem::is_directory(folder, error);
}

}  // namespace cantavo
