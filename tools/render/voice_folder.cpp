#include "tools/render/voice_folder.h"

#include <cstdlib>
#include <system_error>
#include <vector>

namespace {

bool HoldsVoiceFiles(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::exists(folder / "ma2voice.vma", error) ||
           std::filesystem::exists(folder / "ma2voice.adp", error);
}

std::filesystem::path UserDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg != nullptr && *xdg != '\0')
        return std::filesystem::path(xdg) / "cantavo";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return std::filesystem::path(home) / ".local" / "share" / "cantavo";
    return {};
}

}  // namespace

std::filesystem::path DefaultVoiceFolder() {
    std::vector<std::filesystem::path> candidates;
    if (const char* dir = std::getenv("CANTAVO_VOICE_DIR"); dir != nullptr && *dir != '\0')
        candidates.emplace_back(dir);
    candidates.push_back(UserDataFolder());
    candidates.emplace_back(CANTAVO_INSTALLED_DATA_DIR);
    for (const std::filesystem::path& folder : candidates)
        if (!folder.empty() && HoldsVoiceFiles(folder)) return folder;
    return {};
}
