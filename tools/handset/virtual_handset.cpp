#include "tools/handset/virtual_handset.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "transfer/protocol.h"

namespace cantavo::handset {
namespace {

constexpr size_t kReadChunkBytes = 256;
// Paced waits longer than this watch for Stop; shorter ones just sleep.
constexpr auto kStoppableWait = std::chrono::milliseconds(5);
// Weight 1/N of each new timer lateness in its running mean.
constexpr int kLatenessAveraging = 16;

uint32_t BaudOf(speed_t speed) {
    switch (speed) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        case B230400:
            return 230400;
        default:
            return 0;
    }
}

std::chrono::nanoseconds LineTime(size_t bytes, uint32_t baud) {
    return std::chrono::nanoseconds(bytes * protocol::kBitsPerByte * 1000000000ull / baud);
}

}  // namespace

CVirtualHandset::CVirtualHandset(HandsetOptions options)
    : m_options(std::move(options)),
      m_machine(m_flash, *this, m_options.settings, [this](const std::string& text) { Log(text); }) {
    if (pipe2(m_stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) m_stopPipe[0] = m_stopPipe[1] = -1;
}

CVirtualHandset::~CVirtualHandset() {
    CloseTerminal();
    if (!m_options.link.empty()) unlink(m_options.link.c_str());
    for (int fd : m_stopPipe)
        if (fd >= 0) close(fd);
}

void CVirtualHandset::Log(const std::string& text) const {
    if (m_options.verbose) std::fprintf(stderr, "cantavo-handset: %s\n", text.c_str());
}

bool CVirtualHandset::Open(std::string& error) {
    if (m_stopPipe[0] < 0) {
        error = std::string("cannot create a pipe: ") + std::strerror(errno);
        return false;
    }
    if (!m_flash.Open(m_options.flash, error)) return false;
    if (m_options.realtime) prctl(PR_SET_TIMERSLACK, 1UL);
    return OpenTerminal(error);
}

bool CVirtualHandset::OpenTerminal(std::string& error) {
    const auto fail = [&](const char* what) {
        error = std::string(what) + ": " + std::strerror(errno);
        CloseTerminal();
        return false;
    };
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
    if (!m_options.link.empty()) {
        unlink(m_options.link.c_str());
        if (symlink(name, m_options.link.c_str()) != 0) return fail(m_options.link.c_str());
    }
    const std::lock_guard lock(m_deviceMutex);
    m_device = name;
    return true;
}

void CVirtualHandset::CloseTerminal() {
    for (int* fd : {&m_master, &m_slaveKeepAlive}) {
        if (*fd >= 0) close(*fd);
        *fd = -1;
    }
}

std::string CVirtualHandset::DevicePath() const {
    const std::lock_guard lock(m_deviceMutex);
    return m_device;
}

uint32_t CVirtualHandset::PcBaud() const {
    termios tio{};
    if (tcgetattr(m_master, &tio) != 0) return 0;
    return BaudOf(cfgetospeed(&tio));
}

void CVirtualHandset::Stop() {
    const char byte = 1;
    if (write(m_stopPipe[1], &byte, 1) < 0) return;  // a full pipe already holds a stop request
}

bool CVirtualHandset::WaitStop(Clock::time_point deadline) {
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd fd{m_stopPipe[0], POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(std::max<int64_t>(left, 0)));
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

void CVirtualHandset::PaceUntil(Clock::time_point when) {
    if (when - Clock::now() > kStoppableWait && WaitStop(when - kStoppableWait)) return;
    // A timer wakes tens of microseconds late, which would count against the PC: aim early by the mean
    // lateness seen so far, so that answers arrive on average when the line would deliver them.
    const auto target = when - m_timerLateness;
    if (target <= Clock::now()) return;
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(target.time_since_epoch()).count();
    const timespec until{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
    const auto late = std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - target);
    m_timerLateness += (late - m_timerLateness) / kLatenessAveraging;
}

void CVirtualHandset::Run() {
    uint8_t buffer[kReadChunkBytes];
    for (;;) {
        pollfd fds[2] = {{m_stopPipe[0], POLLIN, 0}, {m_master, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[0].revents & POLLIN) return;
        if (!(fds[1].revents & POLLIN)) continue;
        const ssize_t count = read(m_master, buffer, sizeof buffer);
        if (count <= 0) continue;
        const auto now = Clock::now();
        const uint32_t baud = PcBaud();
        const int line = m_master;
        for (ssize_t i = 0; i < count && m_master == line; ++i) {
            if (m_options.realtime && baud > 0)
                m_lastArrival = std::max(m_lastArrival, now) + LineTime(1, baud);
            m_machine.Feed(buffer[i], baud);
        }
        m_connections = m_machine.Connections();
    }
}

void CVirtualHandset::Send(std::span<const uint8_t> bytes, uint32_t baud) {
    if (!m_options.realtime) {
        WriteToPc(bytes);
        return;
    }
    // Answers go out after what they answer has arrived, one byte at a time on a line that is free.
    const auto start = std::max({Clock::now(), m_lastArrival, m_outputFree});
    m_outputFree = start + LineTime(bytes.size(), baud);
    if (!m_options.bytePaced) {
        PaceUntil(m_outputFree);
        WriteToPc(bytes);
        return;
    }
    // As a UART without a receive FIFO hands them over: each byte once its 10 bits are through, on the line's
    // own clock (a late wake-up does not push the bytes after it back).
    for (size_t i = 0; i < bytes.size(); ++i) {
        PaceUntil(start + LineTime(i + 1, baud));
        if (!WriteToPc(bytes.subspan(i, 1))) return;
    }
}

bool CVirtualHandset::WriteToPc(std::span<const uint8_t> bytes) {
    size_t done = 0;
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return false;
        // The PC is not reading: wait for room, or for Stop.
        pollfd fds[2] = {{m_stopPipe[0], POLLIN, 0}, {m_master, POLLOUT, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return false;
        if (fds[0].revents & POLLIN) return false;
    }
    return done == bytes.size();
}

void CVirtualHandset::Busy(uint32_t milliseconds) {
    const auto until = Clock::now() + std::chrono::milliseconds(milliseconds);
    m_outputFree = std::max(m_outputFree, until);
    WaitStop(until);
}

void CVirtualHandset::HangUp() {
    CloseTerminal();
    std::string error;
    if (!OpenTerminal(error)) {
        Log("cannot open a new line after the hang-up: " + error);
        return;
    }
    Log("serving " + DevicePath() + " after the hang-up");
    if (m_onNewDevice) m_onNewDevice(DevicePath());
}

}  // namespace cantavo::handset
