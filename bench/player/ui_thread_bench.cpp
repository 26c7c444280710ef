// The player's UI thread while it plays under the null backend: its CPU use (target: under 1% of a core), and
// whether a busy UI thread (a handler that holds it, a modal box) lets the device run dry (target: no
// underrun with the thread held for 1 s once a second for 30 s). Needs a display: run under xvfb-run.
#include <benchmark/benchmark.h>
#include <time.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/checkbox.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/init.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "player/player_dlg.h"
#include "tests/songs/test_songs.h"

namespace cantavo {
namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::duration<double>;

class BenchApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

double ThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

// A song file of `slots` sustained 4-operator notes, played with Repeat on so it never ends.
std::filesystem::path SongFile(int slots) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("player_ui_bench." + std::to_string(getpid()) + "." + std::to_string(slots) + ".mmf");
    const smaf::Bytes song = testing::SustainedChord(slots, 160000, 160000);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(song.data()), song.size());
    return path;
}

void RunEventLoopFor(std::chrono::milliseconds duration) {
    wxGUIEventLoop loop;
    wxEventLoopActivator activate(&loop);
    wxTimer end;
    end.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { loop.ScheduleExit(); });
    end.StartOnce(static_cast<int>(duration.count()));
    loop.Run();
}

// Plays for `playing` in a shown player; `disturb` runs on the UI thread once a second meanwhile.
void PlayFor(benchmark::State& state, int slots, std::chrono::seconds playing,
             const std::function<void(CPlayerDlg&)>& disturb) {
    const std::filesystem::path song = SongFile(slots);
    setenv("CANTAVO_AUDIO", "null", 1);
    {
        CPlayerDlg player(nullptr);
        player.Show();
        dynamic_cast<wxCheckBox*>(player.FindWindow(CPlayerDlg::kRepeatControl))->SetValue(true);
        player.OnRepeat();
        player.OpenFile(song.string());
        // The window drawn first: the measure is of playing, not of opening.
        RunEventLoopFor(1s);
        wxTimer disturber;
        Seconds disturbed{};
        disturber.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            const auto before = std::chrono::steady_clock::now();
            disturb(player);
            disturbed += std::chrono::steady_clock::now() - before;
        });
        if (disturb) disturber.Start(1000);
        for (auto _ : state) {
            const double cpu_before = ThreadCpuSeconds();
            const auto wall_before = std::chrono::steady_clock::now();
            RunEventLoopFor(playing);
            const Seconds wall = std::chrono::steady_clock::now() - wall_before;
            state.SetIterationTime(wall.count());
            state.counters["ui_cpu_percent"] = 100 * (ThreadCpuSeconds() - cpu_before) / wall.count();
            state.counters["ui_held_percent"] = 100 * disturbed.count() / wall.count();
        }
        disturber.Stop();
        state.counters["played_ms"] = player.GetElapsedMs();
        state.counters["underruns"] = static_cast<double>(player.GetUnderrunCount());
    }
    unsetenv("CANTAVO_AUDIO");
    std::filesystem::remove(song);
}

void BM_UiThreadWhilePlaying(benchmark::State& state) {
    PlayFor(state, static_cast<int>(state.range(0)), 10s, {});
}
BENCHMARK(BM_UiThreadWhilePlaying)
    ->ArgName("slots")
    ->Arg(4)
    ->Arg(16)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// Once a second a handler holds the UI thread for `blocked_ms` (a slow redraw, a window being dragged where
// the toolkit blocks the loop), for 10 s; held for a whole second, for 30 s.
void BM_BusyUiThread(benchmark::State& state) {
    const auto blocked = std::chrono::milliseconds(state.range(0));
    PlayFor(state, 16, blocked >= 1s ? 30s : 10s,
            [blocked](CPlayerDlg&) { std::this_thread::sleep_for(blocked); });
}
BENCHMARK(BM_BusyUiThread)
    ->ArgName("blocked_ms")
    ->Arg(120)
    ->Arg(250)
    ->Arg(1000)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// A modal message box over the player for most of each second.
void BM_ModalBoxOverThePlayer(benchmark::State& state) {
    PlayFor(state, 16, 10s, [](CPlayerDlg& player) {
        wxDialog box(&player, wxID_ANY, "busy");  // wx's own modal loop (a native box cannot be ended early)
        wxTimer close;
        close.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { box.EndModal(wxID_OK); });
        close.StartOnce(800);
        box.ShowModal();
    });
}
BENCHMARK(BM_ModalBoxOverThePlayer)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

// A wx assert would open a modal box and hang a headless run.
void AbortOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                   const wxString& msg) {
    std::fprintf(stderr, "wx assert %s:%d %s: %s %s\n", static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(func.utf8_str()), static_cast<const char*>(cond.utf8_str()),
                 static_cast<const char*>(msg.utf8_str()));
    std::abort();
}

int Run(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    wxApp::SetInstance(new BenchApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "player_ui_bench: cannot start wxWidgets (no display? run under xvfb-run)\n");
        return 1;
    }
    wxSetAssertHandler(AbortOnAssert);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}

}  // namespace
}  // namespace cantavo

int main(int argc, char** argv) {
    return cantavo::Run(argc, argv);
}
