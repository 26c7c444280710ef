#include "tools/cli/temp_folder.h"

#include "host/temp_folder.h"
#include "tools/cli/interrupt.h"

namespace cantavo::cli {

CTempFolder::~CTempFolder() {
    if (m_path.empty()) return;
    RemoveOnInterrupt({});
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

bool CTempFolder::Create(std::string& error) {
    const std::optional<std::filesystem::path> folder = MakeTempFolder("cantavo-cli-", error);
    if (!folder) return false;
    m_path = *folder;
    RemoveOnInterrupt(m_path);
    return true;
}

}  // namespace cantavo::cli
