#include "host/precise_sleep.h"

#include <sys/prctl.h>
#include <time.h>

#include <cerrno>

namespace cantavo {

void RequestPreciseTimers() {
    prctl(PR_SET_TIMERSLACK, 1UL);
}

// The steady clock is CLOCK_MONOTONIC, so its time points are the absolute times clock_nanosleep takes.
void SleepUntil(std::chrono::steady_clock::time_point when) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
    const timespec until{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

}  // namespace cantavo
