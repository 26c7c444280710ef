#include "gui_test_support.h"

#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdio>
#include <memory>

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

class BareApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

}  // namespace

int RunWithWx(int argc, char** argv, const std::function<int()>& body) {
    wxApp::SetInstance(new BareApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
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

}  // namespace cantavo::test
