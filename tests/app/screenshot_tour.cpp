// app_screenshot_tour: drives the real windows into the states worth showing and saves each window as a PNG,
// cut from the framebuffer file of the Xvfb server it runs on (tools/screenshot.sh sets that up).
//   app_screenshot_tour FRAMEBUFFER OUTDIR
#include <wx/image.h>

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <wx/listbox.h>
#include <wx/textctrl.h>

#include "app/control_ids.h"
#include "app/file_list_ctrl.h"
#include "app/info_dlg.h"
#include "app/manager_dlg.h"
#include "app/notify_dlg.h"
#include "app/setting_dlg.h"
#include "app/splash_dlg.h"
#include "gui_test_support.h"
#include "player/player_dlg.h"

namespace cantavo {
namespace {

using namespace std::chrono_literals;

std::string g_framebuffer;
std::string g_outdir;

// XWD header fields (big-endian 32-bit words) that locate the pixels.
constexpr int kHeaderSizeWord = 0;
constexpr int kWidthWord = 4;
constexpr int kHeightWord = 5;
constexpr int kBitsPerPixelWord = 11;
constexpr int kBytesPerLineWord = 12;
constexpr int kColourCountWord = 19;
constexpr int kColourEntryBytes = 12;

bool SaveWindow(const wxWindow& window, const std::string& name) {
    testing::PumpFor(400ms);
    std::ifstream file(g_framebuffer, std::ios::binary);
    const std::vector<unsigned char> data((std::istreambuf_iterator<char>(file)), {});
    auto word = [&](int index) {
        std::uint32_t value;
        std::memcpy(&value, data.data() + index * 4, 4);
        return ntohl(value);
    };
    if (data.size() < 100 || word(kBitsPerPixelWord) != 32) {
        std::fprintf(stderr, "%s: not a 32-bit XWD framebuffer\n", g_framebuffer.c_str());
        return false;
    }
    const std::size_t pixels = word(kHeaderSizeWord) + word(kColourCountWord) * kColourEntryBytes;
    const std::size_t stride = word(kBytesPerLineWord);
    const wxRect screen(0, 0, static_cast<int>(word(kWidthWord)), static_cast<int>(word(kHeightWord)));
    const wxRect area = window.GetScreenRect().Intersect(screen);
    wxImage image(area.width, area.height);
    for (int y = 0; y < area.height; ++y)
        for (int x = 0; x < area.width; ++x) {
            const unsigned char* bgrx = &data[pixels + (area.y + y) * stride + (area.x + x) * 4];
            image.SetRGB(x, y, bgrx[2], bgrx[1], bgrx[0]);
        }
    const std::string path = g_outdir + "/" + name + ".png";
    const bool saved = image.SaveFile(wxString::FromUTF8(path), wxBITMAP_TYPE_PNG);
    std::fprintf(stderr, "%s %s\n", saved ? "saved" : "FAILED", path.c_str());
    return saved;
}

void ShowSplash() {
    g_nFadeLevel = 0;
    auto* splash = new CSplashDlg;
    splash->Create(nullptr);
    splash->Show();
    for (int tick = 0; tick < 11; ++tick) splash->OnFadeTick();
    SaveWindow(*splash, "splash");
    delete splash;
}

bool ShowMainWindow() {
    CManagerOptions options;
    options.virtual_handset = true;
    options.splash = false;
    CManagerDlg window(options);
    window.OnInitDialog();
    window.Show();
    window.OnConnect();
    // Connected as the user sees it: the worker's queued calls have all reached the window.
    if (!testing::PumpUntil(
            [&] {
                return window.FindWindow(ids::kDownload)->IsEnabled() && !window.Session().IsWorkerRunning();
            },
            30s)) {
        std::fprintf(stderr, "no connection to the virtual handset\n");
        return false;
    }
    window.FillFileList(CANTAVO_SOURCE_DIR "/data/demo");
    const std::pair<int, const char*> demos[] = {{0, "ode.mmf"}, {1, "drums.mmf"}, {8, "bells.mmf"}};
    for (const auto& [slot, demo] : demos) {
        window.OnSelectSlot(slot);
        window.OnDblclkFileList(window.FileList()->FindRow(demo));
    }
    window.OnDownload();
    window.OnSelectSlot(0);
    SaveWindow(window, "main_window");

    CWxPrompts prompts;
    CSettingDlg setting(&window, ListSerialPorts(), window.SettingsInUse(), prompts);
    setting.Show();
    SaveWindow(setting, "setting");
    setting.Hide();
    CInfoDlg info(&window);
    info.Show();
    SaveWindow(info, "information");
    info.Hide();
    CNotifyDlg notification;
    notification.m_strMessage = "Finished Backup File saving";
    wxTimer capture;
    capture.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { SaveWindow(notification, "notification"); });
    capture.StartOnce(300);
    notification.ShowModal();
    window.OnStop();
    return true;
}

// The player some seconds into a demo melody: position, length and levels showing.
bool ShowPlayer(const char* demo, uint32_t at_ms, const std::string& picture) {
    setenv("CANTAVO_AUDIO", "null", 1);
    CPlayerDlg player(nullptr);
    std::ifstream file(std::string(CANTAVO_SOURCE_DIR "/data/demo/") + demo, std::ios::binary);
    player.OpenData(demo, {std::istreambuf_iterator<char>(file), {}});
    player.Show();
    const bool playing = testing::PumpUntil(
        [&] { return player.GetLengthMs().has_value() && player.GetElapsedMs() >= at_ms; }, 60s);
    if (!playing) {
        std::fprintf(stderr, "the player does not play %s\n", demo);
        return false;
    }
    // No text selected in the picture (a focused box selects all of it).
    player.FindWindow(CPlayerDlg::kPlayControl)->SetFocus();
    dynamic_cast<wxTextCtrl*>(player.FindWindow(CPlayerDlg::kFileNameControl))->SetSelection(0, 0);
    return SaveWindow(player, picture);
}

int Run(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: app_screenshot_tour FRAMEBUFFER OUTDIR\n");
        return 2;
    }
    g_framebuffer = argv[1];
    g_outdir = argv[2];
    return testing::RunWithWx(1, argv, [] {
        ShowSplash();
        const bool shown = ShowMainWindow() && ShowPlayer("ode.mmf", 7000, "player") &&
                           ShowPlayer("drums.mmf", 4000, "player_drums");
        return shown ? 0 : 1;
    });
}

}  // namespace
}  // namespace cantavo

int main(int argc, char** argv) {
    return cantavo::Run(argc, argv);
}
