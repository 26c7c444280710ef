#pragma once
// Reading an image or backup file and reporting a failure, as every command of cantavo-cli does.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cantavo::cli {

// "cantavo-cli: <text>" on stderr; returns the exit status 1.
int Fail(const std::string& text);
// The file's bytes when it holds a whole user area; otherwise nullopt, reported once.
std::optional<std::vector<uint8_t>> ReadImage(const std::filesystem::path& file);

}  // namespace cantavo::cli
