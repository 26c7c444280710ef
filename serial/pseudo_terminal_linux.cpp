#include "serial/pseudo_terminal.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "serial/serial_platform.h"

namespace cantavo {

CPseudoTerminal::CPseudoTerminal() {
    if (pipe2(m_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) m_stopPipe[0] = m_stopPipe[1] = -1;
}

CPseudoTerminal::~CPseudoTerminal() {
    Close();
    if (!m_link.empty()) unlink(m_link.c_str());
    for (int fd : m_stopPipe)
        if (fd >= 0) close(fd);
}

bool CPseudoTerminal::Open(const std::filesystem::path& link, std::string& error) {
    const auto fail = [&](const char* what) {
        error = std::string(what) + ": " + std::strerror(errno);
        Close();
        return false;
    };
    if (m_stopPipe[0] < 0) return fail("cannot create a pipe");
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_master < 0) return fail("cannot create a pseudo-terminal");
    char name[128];
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 || ptsname_r(m_master, name, sizeof name) != 0)
        return fail("cannot unlock the pseudo-terminal");
    m_slaveKeepAlive = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (m_slaveKeepAlive < 0) return fail(name);
    // Raw from the start: a terminal that echoes would send our own answers back to us.
    termios tio{};
    tcgetattr(m_slaveKeepAlive, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetspeed(&tio, B2400);
    tcsetattr(m_slaveKeepAlive, TCSANOW, &tio);
    m_link = link;
    if (!m_link.empty()) {
        unlink(m_link.c_str());
        if (symlink(name, m_link.c_str()) != 0) return fail(m_link.c_str());
    }
    const std::lock_guard lock(m_deviceMutex);
    m_device = name;
    return true;
}

void CPseudoTerminal::Close() {
    for (int* fd : {&m_master, &m_slaveKeepAlive}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

std::string CPseudoTerminal::DevicePath() const {
    const std::lock_guard lock(m_deviceMutex);
    return m_device;
}

uint32_t CPseudoTerminal::PeerBaud() const {
    termios tio{};
    if (tcgetattr(m_master, &tio) != 0) return 0;
    return BaudOfSpeed(cfgetospeed(&tio));
}

int CPseudoTerminal::Read(std::span<uint8_t> buffer) {
    pollfd fds[2] = {{m_stopPipe[0], POLLIN, 0}, {m_master, POLLIN, 0}};
    if (poll(fds, 2, -1) < 0 && errno != EINTR) return -1;
    if (fds[0].revents & POLLIN) return -1;
    if (!(fds[1].revents & POLLIN)) return 0;
    const ssize_t count = read(m_master, buffer.data(), buffer.size());
    return count > 0 ? static_cast<int>(count) : 0;
}

bool CPseudoTerminal::Write(std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        // The program is not reading: wait for room, or for Stop.
        pollfd fds[2] = {{m_stopPipe[0], POLLIN, 0}, {m_master, POLLOUT, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return false;
        if (fds[0].revents & POLLIN) return false;
    }
    return done == bytes.size();
}

bool CPseudoTerminal::WaitStop(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                .count();
        pollfd fd{m_stopPipe[0], POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(std::max<int64_t>(left, 0)));
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

void CPseudoTerminal::Stop() {
    const char byte = 1;
    if (write(m_stopPipe[1], &byte, 1) < 0) return;  // a full pipe already holds a stop request
}

}  // namespace cantavo
