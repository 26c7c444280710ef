#include "host/temp_folder.h"

#include <stdlib.h>

#include <cerrno>
#include <cstring>

namespace cantavo {

std::optional<std::filesystem::path> MakeTempFolder(const std::string& prefix, std::string& error) {
    std::error_code ec;
    std::string pattern = (std::filesystem::temp_directory_path(ec) / (prefix + "XXXXXX")).string();
    if (mkdtemp(pattern.data()) == nullptr) {
        error = pattern + ": " + std::strerror(errno);
        return std::nullopt;
    }
    return std::filesystem::path(pattern);
}

}  // namespace cantavo
