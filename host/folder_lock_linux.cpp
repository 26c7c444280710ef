#include "host/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace cantavo {
namespace {

// Never removed: removing a lock file lets two programs lock two different files of one name.
constexpr char kLockFileName[] = "cantavo.lock";

}  // namespace

LockResult CFolderLock::Acquire(const std::filesystem::path& folder, std::string& error) {
    if (Held() && folder == m_folder) return LockResult::kHeld;
    Release();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const std::filesystem::path file = folder / kLockFileName;
    // Close-on-exec, so a program we start (the virtual handset) does not keep the lock alive.
    const int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = file.string() + ": " + std::strerror(errno);
        return LockResult::kFailed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int reason = errno;
        close(fd);
        if (reason == EWOULDBLOCK) return LockResult::kBusy;
        error = file.string() + ": " + std::strerror(reason);
        return LockResult::kFailed;
    }
    m_fd = fd;
    m_folder = folder;
    return LockResult::kHeld;
}

void CFolderLock::Release() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    m_folder.clear();
}

}  // namespace cantavo
