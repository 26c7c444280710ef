// GoogleTest main for window tests. Listing tests needs no display (CTest discovers tests without one);
// running them starts wxWidgets on the display and keeps one event loop active for the whole run.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/apptrait.h>
#include <wx/evtloop.h>
#include <wx/init.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

bool WantsListOnly(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0) return true;
    return false;
}

// A failed wx assert would open a modal box and hang a headless run; make it a failure of the running test.
void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
    ADD_FAILURE_AT(file.utf8_str(), line)
        << "wx assert in " << func.utf8_str() << ": " << cond.utf8_str() << " " << msg.utf8_str();
}

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

}  // namespace

int main(int argc, char** argv) {
    const bool list_only = WantsListOnly(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    if (list_only) return RUN_ALL_TESTS();

    wxApp::SetInstance(new TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start wxWidgets (is a display available? run under xvfb-run)\n");
        return 1;
    }
    wxSetAssertHandler(FailOnAssert);
    int result = 0;
    {
        std::unique_ptr<wxEventLoopBase> loop(wxTheApp->GetTraits()->CreateEventLoop());
        wxEventLoopActivator activate(loop.get());
        result = RUN_ALL_TESTS();
    }
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
