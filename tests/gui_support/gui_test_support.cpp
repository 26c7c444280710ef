#include "gui_test_support.h"

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include <cstdio>
#include <memory>
#include <thread>

namespace cantavo::testing {

namespace {

constexpr int kDispatchSliceMs = 10;
// A display server resets when its last client leaves and refuses connections meanwhile. Test programs
// starting and ending side by side meet that moment now and then, so the display is asked a few times.
constexpr int kDisplayAttempts = 50;
constexpr auto kDisplayRetryDelay = std::chrono::milliseconds(100);

void DispatchOnce() {
    if (wxTheApp) wxTheApp->ProcessPendingEvents();
    if (wxEventLoopBase* loop = wxEventLoopBase::GetActive()) {
        loop->DispatchTimeout(kDispatchSliceMs);
        // Idle processing runs the CallAfter queue and pending events of every handler.
        loop->ProcessIdle();
    }
}

class BareApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

bool StartWx(int argc, char** argv) {
    // What a failed attempt logs goes to stderr; left to wx, it would wait for the next attempt to show it in
    // a modal box.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    for (int attempt = 0; attempt < kDisplayAttempts; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(kDisplayRetryDelay);
        int count = argc;  // wx may take arguments out
        wxApp::SetInstance(new BareApp);
        if (wxEntryStart(count, argv)) return wxTheApp->CallOnInit();
    }
    return false;
}

}  // namespace

int RunWithWx(int argc, char** argv, const std::function<int()>& body) {
    if (!StartWx(argc, argv)) {
        std::fprintf(stderr, "cannot start wxWidgets (is a display available? run under xvfb-run)\n");
        return 1;
    }
    wxInitAllImageHandlers();
    int result = 0;
    {
        std::unique_ptr<wxEventLoopBase> loop(wxTheApp->GetTraits()->CreateEventLoop());
        wxEventLoopActivator activate(loop.get());
        result = body();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}

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

}  // namespace cantavo::testing
