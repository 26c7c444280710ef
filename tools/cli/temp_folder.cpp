#include "tools/cli/temp_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>

#include "tools/cli/interrupt.h"

namespace cantavo::cli {

CTempFolder::~CTempFolder() {
    if (m_path.empty()) return;
    RemoveOnInterrupt({});
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

bool CTempFolder::Create(std::string& error) {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "cantavo-cli-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        error = pattern + ": " + std::strerror(errno);
        return false;
    }
    m_path = pattern;
    RemoveOnInterrupt(m_path);
    return true;
}

}  // namespace cantavo::cli
