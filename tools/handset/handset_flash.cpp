#include "tools/handset/handset_flash.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "transfer/user_area.h"

namespace cantavo::handset {
namespace {

constexpr uint8_t kErased = 0xFF;

bool WriteAllAt(int fd, const uint8_t* bytes, size_t count, off_t offset) {
    while (count > 0) {
        const ssize_t n = pwrite(fd, bytes, count, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        count -= static_cast<size_t>(n);
        offset += n;
    }
    return true;
}

}  // namespace

CHandsetFlash::~CHandsetFlash() {
    if (m_fd >= 0) close(m_fd);
}

bool CHandsetFlash::Open(const std::filesystem::path& file, std::string& error) {
    const auto fail = [&](const std::string& reason) {
        error = file.string() + ": " + reason;
        return false;
    };
    m_fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (m_fd < 0) return fail(std::strerror(errno));
    const off_t size = lseek(m_fd, 0, SEEK_END);
    m_bytes.assign(kUserAreaBytes, kErased);
    if (size == 0) {
        if (!WriteAllAt(m_fd, m_bytes.data(), m_bytes.size(), 0)) return fail(std::strerror(errno));
        return true;
    }
    if (size != static_cast<off_t>(kUserAreaBytes))
        return fail("not a flash file (" + std::to_string(size) + " bytes, expected " +
                    std::to_string(kUserAreaBytes) + ")");
    if (pread(m_fd, m_bytes.data(), m_bytes.size(), 0) != static_cast<ssize_t>(m_bytes.size()))
        return fail(std::strerror(errno));
    return true;
}

bool CHandsetFlash::Write(uint32_t offset, std::span<const uint8_t> bytes) {
    if (offset > m_bytes.size() || bytes.size() > m_bytes.size() - offset) return false;
    std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + offset);
    return WriteAllAt(m_fd, bytes.data(), bytes.size(), offset);
}

bool CHandsetFlash::Erase() {
    std::fill(m_bytes.begin(), m_bytes.end(), kErased);
    return WriteAllAt(m_fd, m_bytes.data(), m_bytes.size(), 0);
}

}  // namespace cantavo::handset
