// GoogleTest main for window tests. Listing tests needs no display (CTest discovers tests without one);
// running them starts wxWidgets on the display and keeps one event loop active for the whole run.
#include <gtest/gtest.h>
#include <wx/debug.h>
#include <wx/string.h>

#include <cstring>

#include "gui_test_support.h"

namespace cantavo {
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

int Run(int argc, char** argv) {
    const bool list_only = WantsListOnly(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (list_only) return RUN_ALL_TESTS();

    // Only the program name reaches wx: the remaining arguments are GoogleTest's.
    return testing::RunWithWx(1, argv, [] {
        wxSetAssertHandler(FailOnAssert);
        return RUN_ALL_TESTS();
    });
}

}  // namespace
}  // namespace cantavo

int main(int argc, char** argv) {
    return cantavo::Run(argc, argv);
}
