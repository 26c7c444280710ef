#include "gui_test_support.h"

#include <wx/app.h>
#include <wx/evtloop.h>

namespace cantavo::test {

namespace {

constexpr int kDispatchSliceMs = 10;

void DispatchOnce() {
    if (wxTheApp) wxTheApp->ProcessPendingEvents();
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
        loop->DispatchTimeout(kDispatchSliceMs);
        // Idle processing runs the CallAfter queue and pending events of every handler.
        loop->ProcessIdle();
    }
}

}  // namespace

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return done();
        DispatchOnce();
    }
    return true;
}

void PumpFor(std::chrono::milliseconds duration) {
    PumpUntil([] { return false; }, duration);
}

}  // namespace cantavo::test
