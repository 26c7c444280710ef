#include "tools/cli/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <mutex>
#include <thread>

namespace cantavo::cli {
namespace {

std::mutex g_mutex;
std::filesystem::path g_folder;

sigset_t InterruptSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

}  // namespace

void HandleInterrupts() {
    const sigset_t signals = InterruptSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals] {
        int signal = 0;
        if (sigwait(&signals, &signal) != 0) return;
        {
            const std::lock_guard lock(g_mutex);
            std::error_code ec;
            if (!g_folder.empty()) std::filesystem::remove_all(g_folder, ec);
        }
        _exit(128 + signal);
    }).detach();
}

void RemoveOnInterrupt(const std::filesystem::path& folder) {
    const std::lock_guard lock(g_mutex);
    g_folder = folder;
}

}  // namespace cantavo::cli
