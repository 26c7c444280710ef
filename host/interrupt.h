#pragma once
// Ctrl-C, termination and hang-up, handled on a thread of their own instead of in a signal handler.

#include <functional>

namespace cantavo {

// Blocks SIGINT, SIGTERM and SIGHUP in every thread and waits for the first of them on a thread of its own,
// which then calls `on_interrupt` with the signal's number. Call before any other thread starts.
void WatchInterrupts(std::function<void(int signal)> on_interrupt);

}  // namespace cantavo
