#include "host/voice_folder.h"

#include <system_error>
#include <vector>

#include "host/data_folder.h"
#include "host/environment.h"
#include "host/file_io.h"
#include "host/user_folders.h"

namespace cantavo {
namespace {

bool HoldsVoiceFiles(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::exists(folder / kVmaFileName, error) ||
           std::filesystem::exists(folder / kAdpFileName, error);
}

}  // namespace

std::filesystem::path DefaultVoiceFolder() {
    std::vector<std::filesystem::path> candidates;
    if (const std::string dir = EnvironmentValue("CANTAVO_VOICE_DIR"); !dir.empty())
        candidates.emplace_back(dir);
    candidates.push_back(UserDataFolder());
    candidates.push_back(InstalledDataFolder());
    for (const std::filesystem::path& folder : candidates)
        if (!folder.empty() && HoldsVoiceFiles(folder)) return folder;
    return {};
}

void ReadVoiceFiles(const std::filesystem::path& folder, std::vector<uint8_t>& vma,
                    std::vector<uint8_t>& adp) {
    // Regular files only: a pipe or a device of that name could keep the reader waiting for ever.
    const auto read = [&folder](const char* name) {
        std::error_code ignored;
        std::string error;
        if (folder.empty() || !std::filesystem::is_regular_file(folder / name, ignored))
            return std::vector<uint8_t>();
        return ReadFileBytes(folder / name, error).value_or(std::vector<uint8_t>());
    };
    vma = read(kVmaFileName);
    adp = read(kAdpFileName);
}

}  // namespace cantavo
