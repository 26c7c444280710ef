// Linux: termios speeds, the low-latency flag of serial drivers and the device numbers of pseudo-terminals.
#include <linux/major.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "serial/serial_platform.h"

namespace cantavo {

speed_t SpeedConstant(uint32_t baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        default:
            return 0;
    }
}

void RequestLowLatency(int fd) {
    serial_struct info{};
    if (ioctl(fd, TIOCGSERIAL, &info) != 0) return;  // not a serial driver (a pseudo-terminal, say)
    if (info.flags & ASYNC_LOW_LATENCY) return;
    info.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &info);
}

void RequestPreciseWakeUps() {
    // The slack is the thread's own: set it once in each thread that waits.
    thread_local const int result = prctl(PR_SET_TIMERSLACK, 1UL);
    (void)result;
}

bool IsPseudoTerminal(const std::string& device) {
    struct stat info {};
    if (stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    const unsigned int number = major(info.st_rdev);
    return number >= UNIX98_PTY_SLAVE_MAJOR && number < UNIX98_PTY_SLAVE_MAJOR + UNIX98_PTY_MAJOR_COUNT;
}

}  // namespace cantavo
