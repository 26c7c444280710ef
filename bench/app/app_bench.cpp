// app_bench: how fast the main window comes up, and how fast a folder of 10,000 files is listed and sorted.
// The window start-up is timed once from the process start (as a user sees it: loading the program, starting
// GTK, building and showing the window) and then repeatedly for the window alone.
#include <benchmark/benchmark.h>
#include <wx/evtloop.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "app/folder_listing.h"
#include "app/manager_dlg.h"
#include "gui_test_support.h"

namespace cantavo {
namespace {

constexpr int kFolderFiles = 10000;

// A folder of 10,000 files with names, sizes and dates in no order, made once.
const std::string& LargeFolder() {
    static const std::string folder = [] {
        const auto path =
            std::filesystem::temp_directory_path() / ("cantavo-bench-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
        std::mt19937 random(1);
        for (int i = 0; i < kFolderFiles; ++i) {
            std::ofstream(path /
                          ("Melody " + std::to_string(random() % 100000) + "_" + std::to_string(i) + ".mmf"))
                << std::string(random() % 64, 'x');
        }
        return path.string();
    }();
    return folder;
}

void BM_ListAndSortFolder(benchmark::State& state) {
    const std::string& folder = LargeFolder();
    for (auto _ : state) {
        auto items = ListFolder(folder);
        SortFileItems(*items, static_cast<int>(state.range(0)));
        benchmark::DoNotOptimize(items->data());
    }
    state.SetLabel(std::to_string(kFolderFiles) + " files");
}
BENCHMARK(BM_ListAndSortFolder)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// A window that touches nothing of the user's: profile and image files in the temporary folder.
CManagerOptions BenchOptions(bool splash) {
    CManagerOptions options;
    const auto temp = std::filesystem::temp_directory_path();
    options.profile_path =
        wxString::FromUTF8((temp / ("cantavo-bench-" + std::to_string(getpid()) + ".ini")).string());
    options.image_folder = temp;
    options.splash = splash;
    return options;
}

// The window's own fill: listing, sorting and handing the row count to the virtual list.
void BM_WindowFillFileList(benchmark::State& state) {
    CManagerDlg window(BenchOptions(false));
    window.OnInitDialog();
    const wxString folder = wxString::FromUTF8(LargeFolder());
    for (auto _ : state) benchmark::DoNotOptimize(window.FillFileList(folder));
}

void ShowMainWindow(bool splash) {
    CManagerDlg window(BenchOptions(splash));
    window.OnInitDialog();
    window.Show();
    window.Update();
    wxEventLoopBase::GetActive()->YieldFor(wxEVT_CATEGORY_UI);
}

void BM_MainWindowShown(benchmark::State& state) {
    for (auto _ : state) ShowMainWindow(true);
}

// Milliseconds since this process started.
double MillisecondsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    const std::string line((std::istreambuf_iterator<char>(stat)), {});
    // Field 22 is the start time in clock ticks; fields count from after the name in parentheses (field 2).
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int number = 3; number <= 22; ++number) fields >> field;
    const double start_seconds = std::stod(field) / sysconf(_SC_CLK_TCK);
    std::ifstream uptime("/proc/uptime");
    double now_seconds = 0;
    uptime >> now_seconds;
    return (now_seconds - start_seconds) * 1000.0;
}

int Run(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    int result = 0;
    if (std::getenv("DISPLAY") != nullptr) {
        result = testing::RunWithWx(1, argv, [] {
            ShowMainWindow(true);
            std::printf("Process start to main window shown: %.0f ms (clock ticks of 10 ms)\n",
                        MillisecondsSinceProcessStart());
            benchmark::RegisterBenchmark("BM_MainWindowShown", BM_MainWindowShown)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark("BM_WindowFillFileList", BM_WindowFillFileList)
                ->Unit(benchmark::kMillisecond);
            benchmark::RunSpecifiedBenchmarks();
            return 0;
        });
    } else {
        std::printf("No display: window benchmarks skipped (run under xvfb-run)\n");
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    std::filesystem::remove_all(LargeFolder());
    std::filesystem::remove(BenchOptions(false).profile_path.utf8_string());
    return result;
}

}  // namespace
}  // namespace cantavo

int main(int argc, char** argv) {
    return cantavo::Run(argc, argv);
}
