// Helpers for tests that drive real windows: let timers, CallAfter and worker-thread events run while a test
// waits for their effect, with a bound on every wait.
#pragma once

#include <chrono>
#include <functional>

namespace cantavo::testing {

// Starts wxWidgets on the display, keeps one event loop active while `body` runs, then shuts wx down.
// Returns what `body` returns, or 1 (with a message on stderr) when there is no display.
int RunWithWx(int argc, char** argv, const std::function<int()>& body);

// Dispatches the event loop until `done()` holds or `timeout` has passed; returns the last value of `done()`.
// A modal box that an event opens runs its own loop to its end inside one dispatch, which may overrun
// `timeout`.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Dispatches the event loop for `duration` (lets pending events and due timers run).
void PumpFor(std::chrono::milliseconds duration);

}  // namespace cantavo::testing
