#pragma once
// The virtual handset's flash user area, kept in a 131072-byte file that is written through: whenever the
// handset has confirmed a block, the file holds it.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace cantavo::handset {

class CHandsetFlash {
public:
    // Opens the file, creating it erased (0xFF) when missing. False (and `error`) when it cannot be used.
    bool Open(const std::filesystem::path& file, std::string& error);
    std::span<const uint8_t> Bytes() const { return m_bytes; }
    // False when the range is outside the user area or the file cannot be written.
    bool Write(uint32_t offset, std::span<const uint8_t> bytes);
    bool Erase();

private:
    std::filesystem::path m_file;
    std::vector<uint8_t> m_bytes;
};

}  // namespace cantavo::handset
