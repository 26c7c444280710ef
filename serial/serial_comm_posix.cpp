// CSerialComm on POSIX termios; what differs between systems (speeds, the low-latency request, the timer
// slack) is in serial_platform_<system>.cpp.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "serial/serial_comm.h"
#include "serial/serial_platform.h"

namespace cantavo {
namespace {

// Windows limits a write to (19200 / baud) ms per byte below 38400 baud and not at all above. A stuck far end
// must not hang us, so the unlimited case still ends after this long.
constexpr uint32_t kWriteMultiplierBase = 19200;
constexpr int kUnlimitedWriteCapMs = 5000;
constexpr uint64_t kBitsPerByte = 10;  // start, 8 data, stop

OpenFailure FailureFromErrno(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return OpenFailure::kNotFound;
        case EACCES:
        case EPERM:
            return OpenFailure::kPermission;
        case EBUSY:
        case EWOULDBLOCK:
            return OpenFailure::kBusy;
        case ENOTTY:
            return OpenFailure::kNotSerial;
        default:
            return OpenFailure::kOther;
    }
}

bool ApplyFormat(int fd, uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits) {
    const speed_t speed = SpeedConstant(baud);
    if (speed == 0) return false;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    switch (byteSize) {
        case 5:
            tio.c_cflag |= CS5;
            break;
        case 6:
            tio.c_cflag |= CS6;
            break;
        case 7:
            tio.c_cflag |= CS7;
            break;
        default:
            tio.c_cflag |= CS8;
            break;
    }
    if (parity == 1) tio.c_cflag |= PARENB | PARODD;
    if (parity == 2) tio.c_cflag |= PARENB;
    if (stopBits != 0) tio.c_cflag |= CSTOPB;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

timespec Timespec(std::chrono::nanoseconds span) {
    const auto ns = span.count();
    return {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
}

void SleepUntil(CSerialComm::Clock::time_point when) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch());
    const timespec until = Timespec(ns);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

}  // namespace

CSerialComm::~CSerialComm() {
    ClosePort();
}

std::string DeviceForPort(const PortMap& map, uint16_t port) {
    const std::string name = "COM" + std::to_string(port);
    if (const auto it = map.find(name); it != map.end()) return it->second;
    return "/dev/ttyS" + std::to_string(port > 0 ? port - 1 : 0);
}

std::string CSerialComm::DeviceForPort(uint16_t port) const {
    return cantavo::DeviceForPort(m_portMap, port);
}

int CSerialComm::OpenPort(uint16_t port, uint32_t baud) {
    const int result = OpenPort(DeviceForPort(port), baud);
    m_wPortNumber = port;
    m_strPortName = "COM" + std::to_string(port);
    return result;
}

int CSerialComm::OpenPort(const std::string& device, uint32_t baud) {
    if (m_fd >= 0) Release();
    m_bConnected = 0;
    m_wPortNumber = 0;
    m_strPortName = device;
    m_strDevice = device;
    m_lastFailure = OpenFailure::kNone;
    m_strLastError.clear();

    m_fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0) {
        Fail(FailureFromErrno(errno), errno);
        return 0;
    }
    if (!isatty(m_fd)) {
        Fail(OpenFailure::kNotSerial, ENOTTY);
        return 0;
    }
    // Exclusive: TIOCEXCL keeps others out of the tty; the lock also stops a second program running as root.
    if (flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        Fail(OpenFailure::kBusy, EBUSY);
        return 0;
    }
    ioctl(m_fd, TIOCEXCL);
    RequestLowLatency(m_fd);
    if (!ApplyFormat(m_fd, baud, 8, 0, 0)) {
        Fail(OpenFailure::kLineFormatRefused, errno);
        m_strLastError = "the driver refused 8N1 at " + std::to_string(baud) + " baud";
        return 0;
    }
    // Input only: output still queued from before the re-open (the loader's end frame) must reach the
    // handset.
    PurgeInput();
    m_nBaud = baud;
    m_bConnected = 1;
    return 1;
}

int CSerialComm::ClosePort() {
    m_bConnected = 0;
    if (m_fd < 0) return 0;
    // A purge of output would throw away the last frame or the leave byte: let the driver send them first.
    tcdrain(m_fd);
    PurgeInput();
    Release();
    return 1;
}

void CSerialComm::PurgeInput() {
    tcflush(m_fd, TCIFLUSH);
    m_inputBegin = m_inputEnd = 0;
    m_bLinePaced = false;
    m_lineFreeAt = {};
    m_answerLag = {};
}

CSerialComm::Clock::duration CSerialComm::LineTime(size_t bytes) const {
    return std::chrono::nanoseconds(bytes * kBitsPerByte * 1000000000ull / m_nBaud);
}

void CSerialComm::Release() {
    ioctl(m_fd, TIOCNXCL);
    close(m_fd);
    m_fd = -1;
    m_inputBegin = m_inputEnd = 0;
}

void CSerialComm::Fail(OpenFailure failure, int error) {
    m_lastFailure = failure;
    m_strLastError = std::strerror(error);
    if (m_fd >= 0) Release();
}

uint32_t CSerialComm::WriteComm(const uint8_t* buffer, uint32_t count) {
    if (m_fd < 0 || count == 0) return 0;
    const uint32_t multiplierMs = m_nBaud > 0 ? kWriteMultiplierBase / m_nBaud : 0;
    const auto limit = multiplierMs > 0 ? std::chrono::milliseconds(multiplierMs * count)
                                        : std::chrono::milliseconds(kUnlimitedWriteCapMs);
    const auto deadline = Clock::now() + limit;
    uint32_t written = 0;
    while (written < count) {
        const ssize_t n = write(m_fd, buffer + written, count - written);
        if (n > 0) {
            written += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) break;
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) break;
        pollfd pfd{m_fd, POLLOUT, 0};
        const timespec timeout = Timespec(left);
        if (ppoll(&pfd, 1, &timeout, nullptr) < 0 && errno != EINTR) break;
        if (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) break;
    }
    if (m_nBaud > 0 && written > 0) m_lineFreeAt = std::max(m_lineFreeAt, Clock::now()) + LineTime(written);
    m_nBytesWritten += written;
    return written;
}

uint32_t CSerialComm::ReadComm(uint8_t* buffer, uint32_t maximum) {
    if (m_fd < 0 || maximum == 0) return 0;
    if (m_inputBegin == m_inputEnd) ReadAhead();
    const size_t count = std::min<size_t>(maximum, m_inputEnd - m_inputBegin);
    std::copy_n(m_input.begin() + m_inputBegin, count, buffer);
    m_inputBegin += count;
    m_nBytesRead += count;
    return static_cast<uint32_t>(count);
}

void CSerialComm::ReadAhead() {
    if (m_inputBegin > 0) {
        std::copy(m_input.begin() + m_inputBegin, m_input.begin() + m_inputEnd, m_input.begin());
        m_inputEnd -= m_inputBegin;
        m_inputBegin = 0;
    }
    if (m_inputEnd == m_input.size()) return;
    // Non-blocking: nothing queued is EAGAIN, so this is one call and never a wait.
    ssize_t n;
    do {
        n = read(m_fd, m_input.data() + m_inputEnd, m_input.size() - m_inputEnd);
    } while (n < 0 && errno == EINTR);
    if (n > 0) m_inputEnd += static_cast<size_t>(n);
}

bool CSerialComm::WaitForInput(Clock::time_point deadline, uint32_t expected) {
    if (m_fd < 0) return false;
    // On a line seen to bring bytes one by one, a group answer cannot be whole before our request has gone
    // out, the answer has come in at the line's rate and the far end's usual lag has passed: sleeping until
    // then takes it with one wake-up. The lag is learnt: up by half a byte when the answer was not whole yet,
    // down by a sixteenth when it was. Single-byte answers (acknowledgements, credits) come after work of
    // their own and are waited for as they come.
    if (m_bLinePaced && expected > 1 && m_inputBegin == m_inputEnd) {
        const auto whole = m_lineFreeAt + LineTime(expected) + m_answerLag;
        if (whole > Clock::now()) {
            RequestPreciseWakeUps();
            SleepUntil(std::min(deadline, whole));
            ReadAhead();
            const auto byteTime = LineTime(1);
            if (m_inputEnd - m_inputBegin >= expected) {
                m_answerLag -= std::min(m_answerLag, byteTime / 16);
                return true;
            }
            m_answerLag += byteTime / 2;
        }
    }
    if (m_inputBegin == m_inputEnd && !PollInput(deadline)) return false;
    ReadAhead();
    // The first bytes are there and the rest are on the line: sleeping for the time the line needs to bring
    // them takes the whole group with one more wake-up instead of one per byte.
    const size_t queued = m_inputEnd - m_inputBegin;
    if (queued < expected && m_nBaud > 0) {
        m_bLinePaced = true;
        RequestPreciseWakeUps();
        SleepUntil(std::min(deadline, Clock::now() + LineTime(expected - queued)));
        ReadAhead();
    }
    return true;
}

bool CSerialComm::PollInput(Clock::time_point deadline) {
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) return false;
        const timespec timeout = Timespec(left);
        pollfd pfd{m_fd, POLLIN, 0};
        const int ready = ppoll(&pfd, 1, &timeout, nullptr);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        // A hung-up line brings no more bytes (what it still holds, ReadComm gets): waiting on would only
        // spin until the deadline.
        return (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) == 0 && (pfd.revents & POLLIN) != 0;
    }
}

int CSerialComm::SetLineFormat(uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits) {
    if (m_fd < 0) return 0;
    tcdrain(m_fd);
    PurgeInput();
    if (!ApplyFormat(m_fd, baud, byteSize, parity, stopBits)) return 0;
    m_nBaud = baud;
    return 1;
}

}  // namespace cantavo
