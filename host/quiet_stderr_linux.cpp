#include "host/quiet_stderr.h"

#include <fcntl.h>
#include <unistd.h>

namespace cantavo {

CQuietStderr::CQuietStderr() : m_saved(dup(STDERR_FILENO)) {
    const int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) {
        dup2(null_fd, STDERR_FILENO);
        close(null_fd);
    }
}

CQuietStderr::~CQuietStderr() {
    if (m_saved < 0) return;
    dup2(m_saved, STDERR_FILENO);
    close(m_saved);
}

}  // namespace cantavo
