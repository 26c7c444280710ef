#pragma once
// Writes the output file whole or not at all: into a temporary file beside it, renamed over it at the end, so
// a failed write leaves an earlier file of that name as it was.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

// Empty on success, else the reason.
std::string WriteWholeFile(const std::filesystem::path& path, std::span<const uint8_t> bytes);
