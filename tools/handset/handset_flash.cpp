#include "tools/handset/handset_flash.h"

#include <algorithm>

#include "host/file_io.h"
#include "transfer/user_area.h"

namespace cantavo::handset {
namespace {

constexpr uint8_t kErased = 0xFF;

}  // namespace

bool CHandsetFlash::Open(const std::filesystem::path& file, std::string& error) {
    m_file = file;
    m_bytes.assign(kUserAreaBytes, kErased);
    std::error_code missing;
    if (!std::filesystem::exists(file, missing)) return WriteFileBytes(file, m_bytes, error);
    const auto stored = ReadFileBytes(file, error);
    // Written through from now on, so it must take writes; writing nothing tells.
    if (!stored || !WriteFileAt(file, 0, {}, error)) return false;
    if (stored->empty()) return WriteFileAt(file, 0, m_bytes, error);
    if (stored->size() != kUserAreaBytes) {
        error = file.string() + ": not a flash file (" + std::to_string(stored->size()) +
                " bytes, expected " + std::to_string(kUserAreaBytes) + ")";
        return false;
    }
    m_bytes = *stored;
    return true;
}

bool CHandsetFlash::Write(uint32_t offset, std::span<const uint8_t> bytes) {
    if (offset > m_bytes.size() || bytes.size() > m_bytes.size() - offset) return false;
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + offset);
    std::string error;
    return WriteFileAt(m_file, offset, bytes, error);
}

bool CHandsetFlash::Erase() {
    std::fill(m_bytes.begin(), m_bytes.end(), kErased);
    std::string error;
    return WriteFileAt(m_file, 0, m_bytes, error);
}

}  // namespace cantavo::handset
