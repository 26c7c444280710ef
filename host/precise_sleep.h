#pragma once
// Sleeps that end on time to the microsecond, for pacing bytes at the speed of a serial line.

#include <chrono>

namespace cantavo {

// Asks the system to wake the calling thread's timers as close to their time as it can, and threads it
// starts later alike (Linux otherwise lets them run up to 50 us late, to group wake-ups).
void RequestPreciseTimers();

// Sleeps until `when`, whatever interrupts the sleep on the way.
void SleepUntil(std::chrono::steady_clock::time_point when);

}  // namespace cantavo
