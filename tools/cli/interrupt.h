#pragma once
// Ctrl-C and termination: the private image folder is removed before the program ends.

#include <filesystem>

namespace cantavo::cli {

// Blocks SIGINT, SIGTERM and SIGHUP in every thread and waits for them on a thread of its own, which removes
// the registered folder and ends the process with 128 + the signal number. Call before any other thread
// starts.
void HandleInterrupts();
// The folder to remove on an interrupt; an empty path clears it.
void RemoveOnInterrupt(const std::filesystem::path& folder);

}  // namespace cantavo::cli
