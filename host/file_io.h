#pragma once
// Whole-file and in-place file operations that report failures as text instead of throwing.
// Every `error` is set to "<file>: <reason>".

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cantavo {

// The whole file. With `reason`, a failure's reason alone goes there too, for a message worded its own way.
std::optional<std::vector<uint8_t>> ReadFileBytes(const std::filesystem::path& file, std::string& error,
                                                  std::string* reason = nullptr);
// The file's first `largest` bytes, or all of a shorter one.
std::optional<std::vector<uint8_t>> ReadFileStart(const std::filesystem::path& file, size_t largest,
                                                  std::string& error, std::string* reason = nullptr);
// Up to `buffer.size()` bytes from `offset`; the count read, or nullopt on an error.
std::optional<size_t> ReadFileAt(const std::filesystem::path& file, uint64_t offset,
                                 std::span<uint8_t> buffer, std::string& error);
// Writes a new file beside the target and renames it over, so the target is either old or complete. With
// `reason`, as for ReadFileBytes.
bool WriteFileBytes(const std::filesystem::path& file, std::span<const uint8_t> bytes, std::string& error,
                    std::string* reason = nullptr);
// Overwrites bytes of an existing file in place, neither creating nor truncating it.
bool WriteFileAt(const std::filesystem::path& file, uint64_t offset, std::span<const uint8_t> bytes,
                 std::string& error);
// Removes a file if it exists; false (and `error`) only when it exists and cannot be removed.
bool RemoveFile(const std::filesystem::path& file, std::string& error);

}  // namespace cantavo
