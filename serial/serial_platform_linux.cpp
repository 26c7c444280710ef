// Linux: termios speeds, the low-latency flag of serial drivers and the timer slack of waiting threads.
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>

#include <utility>

#include "serial/serial_platform.h"

namespace cantavo {
namespace {

// The standard speeds and their termios constants.
constexpr std::pair<uint32_t, speed_t> kSpeeds[] = {
    {1200, B1200},   {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},
    {38400, B38400}, {57600, B57600}, {115200, B115200}, {230400, B230400},
};

}  // namespace

speed_t SpeedConstant(uint32_t baud) {
    for (const auto& [rate, speed] : kSpeeds)
        if (rate == baud) return speed;
    return 0;
}

uint32_t BaudOfSpeed(speed_t speed) {
    for (const auto& [rate, constant] : kSpeeds)
        if (constant == speed) return rate;
    return 0;
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

}  // namespace cantavo
