#include "host/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace cantavo {
namespace {

bool Fail(const std::filesystem::path& file, int error, std::string& text) {
    text = file.string() + ": " + std::strerror(error);
    return false;
}

// A file descriptor closed on scope exit.
class CFileHandle {
public:
    explicit CFileHandle(int fd) : m_fd(fd) {}
    ~CFileHandle() {
        if (m_fd >= 0) close(m_fd);
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    int Get() const { return m_fd; }
    // Closes now, so that a failing close (a full disk on some file systems) is seen.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const uint8_t* bytes, size_t count, uint64_t offset) {
    while (count > 0) {
        const ssize_t n = pwrite(fd, bytes, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        offset += static_cast<uint64_t>(n);
        count -= static_cast<size_t>(n);
    }
    return true;
}

// Reads until the end or `largest` bytes, so a pipe or a device gives what it has as a file does; nullopt and
// the error number on a failure.
std::optional<std::vector<uint8_t>> ReadUpTo(const std::filesystem::path& file, size_t largest,
                                             int& failure) {
    CFileHandle fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    failure = errno;
    if (fd.Get() < 0) return std::nullopt;
    std::vector<uint8_t> bytes;
    struct stat info {};
    if (fstat(fd.Get(), &info) == 0 && S_ISREG(info.st_mode))
        bytes.reserve(std::min(static_cast<size_t>(info.st_size), largest));
    uint8_t chunk[64 * 1024];
    while (bytes.size() < largest) {
        const ssize_t n = read(fd.Get(), chunk, std::min(sizeof chunk, largest - bytes.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            failure = errno;
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
}

}  // namespace

std::optional<size_t> ReadFileAt(const std::filesystem::path& file, uint64_t offset,
                                 std::span<uint8_t> buffer, std::string& error) {
    CFileHandle fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        Fail(file, errno, error);
        return std::nullopt;
    }
    size_t done = 0;
    while (done < buffer.size()) {
        const ssize_t n =
            pread(fd.Get(), buffer.data() + done, buffer.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail(file, errno, error);
            return std::nullopt;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return done;
}

std::optional<std::vector<uint8_t>> ReadFileStart(const std::filesystem::path& file, size_t largest,
                                                  std::string& error, std::string* reason) {
    int failure = 0;
    std::optional<std::vector<uint8_t>> bytes = ReadUpTo(file, largest, failure);
    if (bytes) return bytes;
    Fail(file, failure, error);
    if (reason != nullptr) *reason = std::strerror(failure);
    return std::nullopt;
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::filesystem::path& file, std::string& error,
                                                  std::string* reason) {
    return ReadFileStart(file, SIZE_MAX, error, reason);
}

bool WriteFileBytes(const std::filesystem::path& file, std::span<const uint8_t> bytes, std::string& error,
                    std::string* reason) {
    // A temporary name of its own, so that two writers of the same file never share it; created as a plain
    // create would create the file, so the new file gets the usual permissions.
    static std::atomic<uint32_t> s_next_temporary{0};
    std::string temporary;
    int created = -1;
    do {
        temporary = file.string() + "." + std::to_string(getpid()) + "-" +
                    std::to_string(s_next_temporary++) + ".part";
        created = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (created < 0 && errno == EEXIST);
    CFileHandle fd(created);
    int failure = errno;
    if (fd.Get() >= 0) {
        if (WriteAll(fd.Get(), bytes.data(), bytes.size(), 0) && fd.Close() &&
            rename(temporary.c_str(), file.c_str()) == 0)
            return true;
        failure = errno;
        unlink(temporary.c_str());
    }
    if (reason != nullptr) *reason = std::strerror(failure);
    return Fail(file, failure, error);
}

bool WriteFileAt(const std::filesystem::path& file, uint64_t offset, std::span<const uint8_t> bytes,
                 std::string& error) {
    CFileHandle fd(open(file.c_str(), O_WRONLY | O_CLOEXEC));
    if (fd.Get() < 0) return Fail(file, errno, error);
    if (!WriteAll(fd.Get(), bytes.data(), bytes.size(), offset) || !fd.Close())
        return Fail(file, errno, error);
    return true;
}

bool RemoveFile(const std::filesystem::path& file, std::string& error) {
    if (unlink(file.c_str()) == 0 || errno == ENOENT) return true;
    return Fail(file, errno, error);
}

}  // namespace cantavo
