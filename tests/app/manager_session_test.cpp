// Whole sessions through the window against a virtual handset: connect, insert, download, the slot menu,
// failures the user must hear of, and two programs on one image folder.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/choice.h>
#include <wx/settings.h>
#include <wx/textctrl.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/control_ids.h"
#include "app/file_list_ctrl.h"
#include "app/manager_dlg.h"
#include "app/virtual_handset_process.h"
#include "app_test_support.h"
#include "convert/convert.h"
#include "gui_test_support.h"
#include "host/program_folder.h"
#include "player/player_dlg.h"
#include "tests/convert/midi_file_builder.h"
#include "tests/serial/pty_pair.h"
#include "tools/handset/virtual_handset.h"

namespace cantavo {
namespace {

using namespace std::chrono_literals;
using testing::LogContains;
using testing::LogLines;
using testing::PumpUntil;
using testing::TempFolder;
using testing::WindowUnderTest;

constexpr auto kConnectTimeout = 30s;
// Bytes the PC sends to connect: detection 9, loader 199 * 32 + 8 + end frame 2, sync 1, read 1 + 16384.
constexpr uint64_t kConnectBytes = 9 + 199 * 32 + 8 + 2 + 1 + 1 + 16384;

std::vector<uint8_t> ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ManagerSession : public ::testing::Test {
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
    testing::ScriptedPrompts& Prompts() { return m_test->prompts; }
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
    // Writes `bytes` as `file`, connects, and lists the file's folder.
    void ConnectWithFile(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        Open();
        Window().OnConnect();
        ASSERT_TRUE(WaitForConnection());
        Window().FillFileList(wxString::FromUTF8(file.parent_path().string()));
    }
    // Double-clicks `file` for `slot`: a box says `reason` after the file's path, and the slot stays empty.
    void ExpectRefusedInABox(const std::filesystem::path& file, int slot, const std::string& reason) {
        const int before = Prompts().messages;
        Window().OnSelectSlot(slot);
        Window().OnDblclkFileList(Window().FileList()->FindRow(wxString::FromUTF8(file.filename().string())));
        EXPECT_EQ(Prompts().messages, before + 1);
        EXPECT_EQ(Prompts().asked.at(Prompts().asked.size() - 2),
                  wxString::FromUTF8(file.string() + ": " + reason));
        EXPECT_TRUE(Greyed(slot));
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

// A MIDI file double-clicked for an FM slot is converted, its summary logged, inserted under its name, and
// after a Download and a fresh read of the handset the slot holds the converted melody byte for byte. For an
// ADPCM slot the same file is refused in a box that names the kind of slot it goes to.
TEST_F(ManagerSession, AMidiFileIsConvertedInsertedAndReadBackFromTheHandset) {
    CMidiFileBuilder file(1, 480);
    CMidiTrackBuilder& track = file.AddTrack();
    for (uint32_t i = 0; i < 32; ++i) {
        track.Note(i * 240, 200, 0, static_cast<uint8_t>(60 + i % 12), static_cast<uint8_t>(60 + i));
        track.Note(i * 480, 400, 9, i % 2 == 0 ? 36 : 38);
    }
    const auto midi = m_folder.Path() / "music" / "tune.mid";
    ConnectWithFile(midi, file.Bytes());
    const Conversion expected = ConvertFile(midi, {});
    ASSERT_EQ(expected.error, "");
    const int adpcm_2 = 9;
    ExpectRefusedInABox(midi, adpcm_2, "a MIDI file becomes a melody for an FM slot, not an ADPCM slot");

    Window().OnSelectSlot(3);  // FM 4
    Window().OnDblclkFileList(Window().FileList()->FindRow("tune.mid"));
    EXPECT_TRUE(LogContains(Window(), ReportSummary(expected.report)));
    EXPECT_TRUE(LogContains(Window(), "tune file inserted"));
    EXPECT_EQ(Window().SlotNameBox(3)->GetValue(), "tune");
    Window().OnDownload();
    EXPECT_TRUE(LogContains(Window(), "Write Success!!"));
    Window().OnStop();

    Prompts().confirm_answer = true;
    Window().OnConnect();
    ASSERT_TRUE(WaitForConnection());
    EXPECT_EQ(Window().SlotNameBox(3)->GetValue(), "tune");
    const auto melody = Window().Session().SlotMelody(3);
    ASSERT_TRUE(melody);
    EXPECT_EQ(*melody, expected.smaf);
}

// A mono 16-bit WAV file of a 500 Hz tone.
std::vector<uint8_t> ToneWav(uint32_t rate, uint32_t frames) {
    std::vector<uint8_t> wav;
    const auto put = [&](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) wav.push_back(static_cast<uint8_t>(value >> (8 * i)));
    };
    const auto text = [&](const char* four) { wav.insert(wav.end(), four, four + 4); };
    text("RIFF");
    put(36 + 2 * frames, 4);
    text("WAVE");
    text("fmt ");
    put(16, 4);
    put(1, 2);  // PCM
    put(1, 2);  // mono
    put(rate, 4);
    put(2 * rate, 4);
    put(2, 2);
    put(16, 2);
    text("data");
    put(2 * frames, 4);
    for (uint32_t f = 0; f < frames; ++f)
        put(static_cast<uint16_t>(static_cast<int16_t>(12000 * std::sin(2 * 3.14159265 * 500 * f / rate))),
            2);
    return wav;
}

TEST_F(ManagerSession, AnAudioFileIsConvertedForAnAdpcmSlotOnly) {
    const auto wav = m_folder.Path() / "sounds" / "bell.wav";
    ConnectWithFile(wav, ToneWav(16000, 16000));
    ExpectRefusedInABox(wav, 0, "an audio file becomes a melody for an ADPCM slot, not an FM slot");  // FM 1

    Window().OnSelectSlot(8);  // ADPCM 1: one second at 8000 Hz is 4000 bytes of ADPCM in a file of 4063
    Window().OnDblclkFileList(Window().FileList()->FindRow("bell.wav"));
    EXPECT_TRUE(LogContains(Window(), "bell.wav: 4063 bytes, 8000 Hz, the whole sound"));
    EXPECT_TRUE(LogContains(Window(), "bell file inserted"));
    const auto melody = Window().Session().SlotMelody(8);
    ASSERT_TRUE(melody);
    EXPECT_EQ(*melody, ConvertFile(wav, {}).smaf);
}

TEST_F(ManagerSession, AFailedDownloadIsToldInABoxAndTheLogEndsOnIt) {
    handset::HandsetOptions handsetOptions;
    handsetOptions.flash = m_folder.Path() / "flash.bin";
    handsetOptions.settings.faults.stallAfter = kConnectBytes + 1 + 3000;  // during the third block
    handset::CVirtualHandset handset(handsetOptions);
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
    testing::CPtyPair silent;
    ASSERT_TRUE(silent.Valid());
    CManagerOptions options;
    options.port_device = silent.SlavePath();
    Open(options);
    Window().OnConnect();
    EXPECT_TRUE(Window().FindWindow(ids::kStop)->IsThisEnabled());
    EXPECT_EQ(LogLines(Window()).front(), "Waiting for the handset on " + silent.SlavePath() + " ...");
    testing::PumpFor(1300ms);  // one unanswered attempt
    EXPECT_TRUE(Window().FindWindow(ids::kStop)->IsThisEnabled());

    wxCommandEvent stop(wxEVT_BUTTON, ids::kStop);
    Window().FindWindow(ids::kStop)->ProcessWindowEvent(stop);
    EXPECT_EQ(LogLines(Window()).front(), "Com Port Closed!!!");
    EXPECT_FALSE(Window().FindWindow(ids::kStop)->IsThisEnabled());
    EXPECT_TRUE(Window().FindWindow(ids::kConnect)->IsThisEnabled());
    EXPECT_EQ(Window().GetTitle(), "Cantavo V1.1");
    const size_t lines = LogLines(Window()).size();
    testing::PumpFor(1300ms);  // no further attempt
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
    testing::PumpFor(1300ms);
    EXPECT_FALSE(second->window->Session().Serial().IsOpen());
    EXPECT_EQ(ReadBytes(Window().Session().WorkFile()), work);
    EXPECT_EQ(Window().SlotNameBox(1)->GetValue(), "drums");
}

}  // namespace
}  // namespace cantavo
