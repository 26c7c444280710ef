#include "host/voice_folder.h"

#include <system_error>
#include <vector>

#include "host/data_folder.h"
#include "host/environment.h"
#include "host/user_folders.h"

namespace {

bool HoldsVoiceFiles(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::exists(folder / "ma2voice.vma", error) ||
           std::filesystem::exists(folder / "ma2voice.adp", error);
}

}  // namespace

std::filesystem::path DefaultVoiceFolder() {
    std::vector<std::filesystem::path> candidates;
    if (const std::string dir = cantavo::EnvironmentValue("CANTAVO_VOICE_DIR"); !dir.empty())
        candidates.emplace_back(dir);
    candidates.push_back(UserDataFolder());
    candidates.push_back(InstalledDataFolder());
    for (const std::filesystem::path& folder : candidates)
        if (!folder.empty() && HoldsVoiceFiles(folder)) return folder;
    return {};
}
