// Whole sessions through the window against a virtual handset: connect, insert, download, the slot menu,
// failures the user must hear of, and two programs on one image folder.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/choice.h>
#include <wx/settings.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "app/control_ids.h"
#include "app/file_list_ctrl.h"
#include "app/manager_dlg.h"
#include "app/virtual_handset_process.h"
#include "app_test_support.h"
#include "gui_test_support.h"
#include "host/program_folder.h"
#include "player/player_dlg.h"
#include "tests/serial/pty_pair.h"
#include "tools/handset/virtual_handset.h"

namespace {

using namespace std::chrono_literals;
using cantavo::test::LogContains;
using cantavo::test::LogLines;
using cantavo::test::PumpUntil;
using cantavo::test::TempFolder;
using cantavo::test::WindowUnderTest;

constexpr auto kConnectTimeout = 30s;
// Bytes the PC sends to connect: detection 9, loader 199 * 32 + 8 + end frame 2, sync 1, read 1 + 16384.
constexpr uint64_t kConnectBytes = 9 + 199 * 32 + 8 + 2 + 1 + 1 + 16384;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ManagerSession : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(SiblingProgram("cantavo-handset")))
            GTEST_SKIP() << "cantavo-handset not built";
    }

    CManagerDlg& Open(CManagerOptions options = VirtualHandset()) {
        m_test = std::make_unique<WindowUnderTest>(m_folder, options);
        return Window();
    }
    static CManagerOptions VirtualHandset() {
        CManagerOptions options;
        options.virtual_handset = true;
        return options;
    }
    // Connected as the user sees it: the worker's queued calls have all reached the window.
    static bool WaitForConnection(CManagerDlg& window) {
        return PumpUntil([&] { return window.FindWindow(ids::kDownload)->IsThisEnabled(); },
                         kConnectTimeout) &&
               window.Session().IsConnected();
    }
    bool WaitForConnection() { return WaitForConnection(Window()); }
    CManagerDlg& Window() { return *m_test->window; }
    cantavo::test::ScriptedPrompts& Prompts() { return m_test->prompts; }
    void InsertDemo(int slot, const std::string& name) {
        Window().OnSelectSlot(slot);
        ASSERT_GT(Window().FillFileList(CANTAVO_SOURCE_DIR "/data/demo"), 0);
        Window().OnDblclkFileList(Window().FileList()->FindRow(name));
    }
    // The slot's context menu, as a right-click on its name box opens it, choosing `item` (or nothing).
    void SlotMenu(int slot, int item = wxID_NONE) {
        Prompts().menu_answer = item;
        wxTextCtrl* box = Window().SlotNameBox(slot);
        wxContextMenuEvent event(wxEVT_CONTEXT_MENU, box->GetId());
        event.SetEventObject(box);
        box->ProcessWindowEvent(event);
    }
    bool Greyed(int slot) {
        return Window().SlotNameBox(slot)->GetBackgroundColour() ==
               wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    }

    TempFolder m_folder;
    std::unique_ptr<WindowUnderTest> m_test;
};

TEST_F(ManagerSession, ConnectInsertDownloadStopAndConnectAgain) {
    Open();
    ASSERT_FALSE(Window().VirtualHandsetDevice().empty());
    EXPECT_TRUE(std::filesystem::exists(m_folder.Path() / "data/cantavo/handset-flash.bin"));
    Window().OnConnect();
    ASSERT_TRUE(WaitForConnection());
    EXPECT_TRUE(LogContains(Window(), "Connected Completely !!!"));
    // A new handset's flash is erased: every slot shows an empty, greyed box.
    for (int slot = 0; slot < 12; ++slot) {
        EXPECT_EQ(Window().SlotNameBox(slot)->GetValue(), "") << slot;
        EXPECT_TRUE(Greyed(slot)) << slot;
    }
    EXPECT_TRUE(Window().FindWindow(ids::kDownload)->IsThisEnabled());
    EXPECT_FALSE(Window().FindWindow(ids::kSetting)->IsThisEnabled());

    InsertDemo(2, "ode.mmf");
    EXPECT_TRUE(LogContains(Window(), "ode file inserted"));
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "ode");
    EXPECT_FALSE(Greyed(2));

    Window().OnDownload();
    EXPECT_TRUE(LogContains(Window(), "Write Success!!"));
    EXPECT_EQ(Prompts().messages, 0);

    // Backup and restore through their file dialogs.
    const auto backup = m_folder.Path() / "smaf_bak.smf";
    Prompts().file_answer = wxString::FromUTF8(backup.string());
    Window().OnSaveBackup();
    ASSERT_FALSE(Prompts().asked.empty());
    EXPECT_EQ(Prompts().asked.back(), "Smaf Backup File(*.smf)|*.smf");
    EXPECT_TRUE(LogContains(Window(), "Finished Backup File saving"));
    ASSERT_TRUE(std::filesystem::exists(backup));
    EXPECT_EQ(std::filesystem::file_size(backup), 131072u);
    Window().OnLoadBackup();
    EXPECT_TRUE(LogContains(Window(), "Finished Backup File restoring"));
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "ode");
    Prompts().file_answer.clear();
    Window().OnSaveBackup();
    EXPECT_TRUE(LogContains(Window(), "Cancel Backup File saving..."));
    Window().OnStop();
    EXPECT_TRUE(LogContains(Window(), "Com Port Closed!!!"));
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "ode");

    Prompts().confirm_answer = true;
    Window().OnConnect();
    EXPECT_EQ(Prompts().confirms, 1);
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "");  // emptied until the handset has been read again
    ASSERT_TRUE(WaitForConnection());
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "ode");
    EXPECT_TRUE(Greyed(3));
}

TEST_F(ManagerSession, TheSettingDialogOpensOnTheVirtualHandset) {
    Open();
    CSettingDlg setting(&Window(), {{"/dev/ttyUSB0", "ttyUSB0"}}, Window().SettingsInUse(), Prompts());
    EXPECT_EQ(setting.PortList()->GetStringSelection(), "Virtual handset");
    EXPECT_EQ(setting.LoaderFileBox()->GetValue(), "Built-in (virtual handset only)");
}

TEST_F(ManagerSession, ASlotsMenuPlaysSavesAndClearsItsMelody) {
    Open();
    Window().OnConnect();
    ASSERT_TRUE(WaitForConnection());
    InsertDemo(2, "ode.mmf");
    const auto ode = ReadBytes(CANTAVO_SOURCE_DIR "/data/demo/ode.mmf");

    using Item = std::pair<wxString, bool>;
    SlotMenu(3);
    EXPECT_EQ(Prompts().menu_items,
              (std::vector<Item>{{"Play", false}, {"Save melody as...", false}, {"Clear slot", true}}));
    SlotMenu(2);
    EXPECT_EQ(Prompts().menu_items,
              (std::vector<Item>{{"Play", true}, {"Save melody as...", true}, {"Clear slot", true}}));
    EXPECT_EQ(Window().m_nSlotIndex, 2);

    const auto saved = m_folder.Path() / "saved.mmf";
    Prompts().file_answer = wxString::FromUTF8(saved.string());
    SlotMenu(2, ids::kSlotSaveMelody);
    EXPECT_EQ(Prompts().asked.back(), "Smaf File(*.mmf)|*.mmf");
    EXPECT_EQ(ReadBytes(saved), ode);
    EXPECT_TRUE(LogContains(Window(), "FM 3 saved as " + saved.string()));

    // The player opens on the slot's melody; it is closed here once it is up.
    setenv("CANTAVO_AUDIO", "null", 1);
    std::string played;
    std::vector<uint8_t> playedBytes;
    std::function<void()> closePlayer = [&] {
        for (wxWindow* top : wxTopLevelWindows) {
            auto* player = dynamic_cast<CPlayerDlg*>(top);
            if (player == nullptr || !player->IsModal()) continue;
            played = static_cast<wxTextCtrl*>(player->FindWindow(CPlayerDlg::kFileNameControl))
                         ->GetValue()
                         .utf8_string();
            playedBytes = ReadBytes(played);
            player->EndModal(wxID_CANCEL);
            return;
        }
        wxTheApp->CallAfter(closePlayer);
    };
    wxTheApp->CallAfter(closePlayer);
    SlotMenu(2, ids::kSlotPlay);
    unsetenv("CANTAVO_AUDIO");
    EXPECT_EQ(played, (m_folder.Path() / "FM 3.mmf").string());
    EXPECT_EQ(playedBytes, ode);
    EXPECT_FALSE(std::filesystem::exists(played));  // gone with the player

    SlotMenu(2, ids::kSlotClear);
    EXPECT_TRUE(LogContains(Window(), "FM 3 cleared"));
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "");
    EXPECT_TRUE(Greyed(2));
    Window().OnDownload();
    Window().OnStop();
    Prompts().confirm_answer = true;
    Window().OnConnect();
    ASSERT_TRUE(WaitForConnection());
    EXPECT_TRUE(Greyed(2));  // the handset's slot is erased too
}

TEST_F(ManagerSession, AFileThatIsNotSmafIsInsertedOnlyWhenTheUserSaysYes) {
    Open();
    Window().OnConnect();
    ASSERT_TRUE(WaitForConnection());
    const auto noise = m_folder.MakeFile("music/x.mmf", 300);  // 'x' bytes, no SMAF chunk
    Window().OnSelectSlot(4);
    Window().FillFileList(wxString::FromUTF8(noise.parent_path().string()));
    Window().OnDblclkFileList(Window().FileList()->FindRow("x.mmf"));
    EXPECT_EQ(Prompts().questions, 1);
    EXPECT_EQ(Prompts().asked[Prompts().asked.size() - 2], "x.mmf is not a SMAF melody. Insert it anyway?");
    EXPECT_EQ(Prompts().asked.back(), "Confirm");
    EXPECT_FALSE(LogContains(Window(), "x file inserted"));
    EXPECT_TRUE(Greyed(4));

    Prompts().yes_answer = true;
    Window().OnDblclkFileList(Window().FileList()->FindRow("x.mmf"));
    EXPECT_TRUE(LogContains(Window(), "x file inserted"));
    EXPECT_EQ(Window().SlotNameBox(4)->GetValue(), "x");
}

TEST_F(ManagerSession, AFailedDownloadIsToldInABoxAndTheLogEndsOnIt) {
    cantavo::handset::HandsetOptions handsetOptions;
    handsetOptions.flash = m_folder.Path() / "flash.bin";
    handsetOptions.settings.faults.stallAfter = kConnectBytes + 1 + 3000;  // during the third block
    cantavo::handset::CVirtualHandset handset(handsetOptions);
    std::string error;
    ASSERT_TRUE(handset.Open(error)) << error;
    std::thread server([&] { handset.Run(); });
    CManagerOptions options;
    options.port_device = handset.DevicePath();
    Open(options);
    Window().OnConnect();
    ASSERT_TRUE(WaitForConnection());
    InsertDemo(0, "ode.mmf");
    Window().OnDownload();
    handset.Stop();
    server.join();
    const std::string incomplete =
        "Download failed: the handset's melody memory is now incomplete. The melodies are still in the "
        "working "
        "image: run Download again before connecting anew.";
    EXPECT_EQ(Prompts().messages, 1);
    EXPECT_NE(std::find(Prompts().asked.begin(), Prompts().asked.end(), incomplete), Prompts().asked.end());
    ASSERT_TRUE(PumpUntil([&] { return LogLines(Window()).front() == incomplete; }, 5s));
    EXPECT_EQ(Window().GetTitle(), "Tessvar(M) V2.0  (FLASH 16M_GPO2)");
    EXPECT_EQ(Window().SlotNameBox(0)->GetValue(), "ode");  // still in the working image
}

TEST_F(ManagerSession, StopCancelsTheWaitForAHandsetThatDoesNotAnswer) {
    cantavo::testing::CPtyPair silent;
    ASSERT_TRUE(silent.Valid());
    CManagerOptions options;
    options.port_device = silent.SlavePath();
    Open(options);
    Window().OnConnect();
    EXPECT_TRUE(Window().FindWindow(ids::kStop)->IsThisEnabled());
    EXPECT_EQ(LogLines(Window()).front(), "Waiting for the handset on " + silent.SlavePath() + " ...");
    cantavo::test::PumpFor(1300ms);  // one unanswered attempt
    EXPECT_TRUE(Window().FindWindow(ids::kStop)->IsThisEnabled());

    wxCommandEvent stop(wxEVT_BUTTON, ids::kStop);
    Window().FindWindow(ids::kStop)->ProcessWindowEvent(stop);
    EXPECT_EQ(LogLines(Window()).front(), "Com Port Closed!!!");
    EXPECT_FALSE(Window().FindWindow(ids::kStop)->IsThisEnabled());
    EXPECT_TRUE(Window().FindWindow(ids::kConnect)->IsThisEnabled());
    EXPECT_EQ(Window().GetTitle(), "Cantavo V1.1");
    const size_t lines = LogLines(Window()).size();
    cantavo::test::PumpFor(1300ms);  // no further attempt
    EXPECT_EQ(LogLines(Window()).size(), lines);
    EXPECT_FALSE(Window().Session().Serial().IsOpen());
}

TEST_F(ManagerSession, ASecondWindowOnTheImageFolderRefusesToConnectInsteadOfSharingIt) {
    Open();
    Window().OnConnect();
    ASSERT_TRUE(WaitForConnection());
    InsertDemo(1, "drums.mmf");
    const auto work = ReadBytes(Window().Session().WorkFile());

    CManagerOptions options;
    options.port_device = Window().VirtualHandsetDevice();
    auto second = std::make_unique<WindowUnderTest>(m_folder, options);
    const std::string busy = "Another Cantavo is using the image files in " + m_folder.Path().string() +
                             ": close it before connecting.";
    EXPECT_TRUE(LogContains(*second->window, busy));
    second->window->OnConnect();
    EXPECT_EQ(LogLines(*second->window).front(), busy);
    EXPECT_TRUE(second->window->FindWindow(ids::kConnect)->IsThisEnabled());
    cantavo::test::PumpFor(1300ms);
    EXPECT_FALSE(second->window->Session().Serial().IsOpen());
    EXPECT_EQ(ReadBytes(Window().Session().WorkFile()), work);
    EXPECT_EQ(Window().SlotNameBox(1)->GetValue(), "drums");
}

}  // namespace
