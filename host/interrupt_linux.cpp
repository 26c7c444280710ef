#include "host/interrupt.h"

#include <signal.h>

#include <thread>

namespace cantavo {

void WatchInterrupts(std::function<void(int signal)> on_interrupt) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread([signals, on_interrupt = std::move(on_interrupt)] {
        int signal = 0;
        if (sigwait(&signals, &signal) == 0) on_interrupt(signal);
    }).detach();
}

}  // namespace cantavo
