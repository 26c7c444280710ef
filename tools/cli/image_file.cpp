#include "tools/cli/image_file.h"

#include <cstdio>

#include "host/file_io.h"
#include "tools/cli/commands.h"
#include "transfer/user_area.h"

namespace cantavo::cli {

int Fail(const std::string& text) {
    std::fprintf(stderr, "cantavo-cli: %s\n", text.c_str());
    return kExitFailure;
}

std::optional<std::vector<uint8_t>> ReadImage(const std::filesystem::path& file) {
    std::string error;
    auto image = ReadFileBytes(file, error);
    if (!image) {
        Fail(error);
        return std::nullopt;
    }
    if (image->size() < kUserAreaBytes) {
        Fail(file.string() + ": " + std::to_string(image->size()) + " bytes, not a user-area image (" +
             std::to_string(kUserAreaBytes) + " bytes)");
        return std::nullopt;
    }
    return image;
}

}  // namespace cantavo::cli
