#include "tools/cli/interrupt.h"

#include <cstdlib>
#include <mutex>

#include "host/interrupt.h"

namespace cantavo::cli {
namespace {

std::mutex g_mutex;
std::filesystem::path g_folder;

}  // namespace

void HandleInterrupts() {
    WatchInterrupts([](int signal) {
        {
            const std::lock_guard lock(g_mutex);
            std::error_code ec;
            if (!g_folder.empty()) std::filesystem::remove_all(g_folder, ec);
        }
        std::_Exit(128 + signal);
    });
}

void RemoveOnInterrupt(const std::filesystem::path& folder) {
    const std::lock_guard lock(g_mutex);
    g_folder = folder;
}

}  // namespace cantavo::cli
