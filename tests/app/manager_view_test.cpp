// The session's calls from the connection worker reach the window only on the UI thread.
#include "app/manager_view.h"

#include <gtest/gtest.h>
#include <wx/gauge.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app_test_support.h"
#include "gui_test_support.h"

namespace cantavo {
namespace {

using namespace std::chrono_literals;
using testing::LogContains;
using testing::PumpUntil;

TEST(ManagerView, WorkerCallsAreQueuedToTheUiThread) {
    testing::TempFolder folder;
    testing::WindowUnderTest test(folder);
    CManagerView view(*test.window, test.prompts);
    std::thread worker([&] {
        view.LogMessage("from the worker");
        view.SetTitle("Connecting...");
        view.SetProgress(40);
    });
    worker.join();
    // Nothing has touched the window yet: the calls wait for the UI thread.
    EXPECT_FALSE(LogContains(*test.window, "from the worker"));
    ASSERT_TRUE(PumpUntil([&] { return test.window->ProgressBar()->GetValue() == 40; }, 2s));
    EXPECT_TRUE(LogContains(*test.window, "from the worker"));
    EXPECT_EQ(test.window->GetTitle(), "Connecting...");
}

TEST(ManagerView, NotificationBlocksTheWorkerUntilTheBoxHasClosed) {
    testing::TempFolder folder;
    testing::WindowUnderTest test(folder);
    CManagerView view(*test.window, test.prompts);
    const auto start = std::chrono::steady_clock::now();
    std::chrono::steady_clock::duration blocked{};
    std::thread worker([&] {
        view.ShowNotification("Synchronization Failed");
        blocked = std::chrono::steady_clock::now() - start;
        view.LogMessage("after the box");
    });
    // The box runs its own loop on this thread while it is up.
    ASSERT_TRUE(PumpUntil([&] { return LogContains(*test.window, "after the box"); }, 5s));
    worker.join();
    EXPECT_GE(blocked, 900ms);
    EXPECT_LT(blocked, 5s);
}

TEST(ManagerView, ClosingWindowReleasesAWaitingWorker) {
    testing::TempFolder folder;
    testing::WindowUnderTest test(folder);
    CManagerView view(*test.window, test.prompts);
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        view.ShowNotification("User Data Loading Error!!");
        returned = true;
    });
    std::this_thread::sleep_for(100ms);  // no pumping: the box never comes up
    view.StopWaiting();
    for (int i = 0; i < 100 && !returned; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(returned);
    worker.join();
}

}  // namespace
}  // namespace cantavo
