#pragma once
// The parts of the serial port that differ between POSIX systems.

#include <termios.h>

#include <cstdint>

namespace cantavo {

// The termios speed constant for a baud rate, 0 when the system has none.
speed_t SpeedConstant(uint32_t baud);
// The baud rate of a termios speed constant, 0 for a speed that is not a standard one.
uint32_t BaudOfSpeed(speed_t speed);
// Asks the driver to hand over received bytes at once (USB adapters otherwise hold them up to 16 ms);
// devices without the setting are left as they are.
void RequestLowLatency(int fd);
// Asks that the calling thread's timed sleeps end when they are due rather than up to the default slack
// (50 us on Linux) later, which would add to every group the line brings.
void RequestPreciseWakeUps();

}  // namespace cantavo
