#include "app/manager_dlg.h"

#include <gtest/gtest.h>
#include <wx/listbox.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/textctrl.h>
#include <wx/tooltip.h>

#include <filesystem>
#include <fstream>

#include "app/control_ids.h"
#include "app/file_list_ctrl.h"
#include "app_test_support.h"
#include "gui_test_support.h"

namespace cantavo {
namespace {

using namespace std::chrono_literals;
using testing::LogContains;
using testing::LogLines;
using testing::PumpUntil;
using testing::TempFolder;
using testing::WindowUnderTest;

bool IsEnabled(const CManagerDlg& window, int id) {
    return window.FindWindow(id)->IsThisEnabled();
}

TEST(ManagerDlg, StartsInTheResetState) {
    TempFolder folder;
    WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    EXPECT_EQ(window.GetTitle(), "Cantavo V1.1");
    for (int id : {ids::kConnect, ids::kExit, ids::kInfo, ids::kPlayer, ids::kSetting})
        EXPECT_TRUE(IsEnabled(window, id)) << id;
    for (int id : ids::kSlotNames) EXPECT_TRUE(IsEnabled(window, id)) << id;
    for (int id : ids::kEnableSet) {
        if (id == ids::kConnect) continue;
        EXPECT_FALSE(IsEnabled(window, id)) << id;
    }
    EXPECT_EQ(window.m_nSlotIndex, 0);
    EXPECT_EQ(window.m_nSlotMask, 1);
    EXPECT_TRUE(window.SlotRadio(0)->GetValue());
}

TEST(ManagerDlg, SideButtonsHaveTheirTooltips) {
    TempFolder folder;
    WindowUnderTest test(folder);
    auto tip = [&](int id) {
        wxToolTip* tooltip = test.window->FindWindow(id)->GetToolTip();
        return tooltip ? tooltip->GetTip() : wxString("(none)");
    };
    EXPECT_EQ(tip(ids::kDownload), "Download");
    EXPECT_EQ(tip(ids::kInfo), "Information");
    EXPECT_EQ(tip(ids::kConnect), "Connect");
    EXPECT_EQ(tip(ids::kPlayer), "(none)");
}

TEST(ManagerDlg, LogKeepsTheNewest100LinesNewestFirst) {
    TempFolder folder;
    WindowUnderTest test(folder);
    test.window->LogList()->Clear();
    for (int line = 1; line <= 101; ++line) test.window->View().LogMessage("line " + std::to_string(line));
    const auto lines = LogLines(*test.window);
    ASSERT_EQ(lines.size(), 100u);
    EXPECT_EQ(lines.front(), "line 101");
    EXPECT_EQ(lines.back(), "line 2");
}

TEST(ManagerDlg, FocusOnANameBoxOrARadioClickSelectsTheSlot) {
    TempFolder folder;
    WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    wxFocusEvent focus(wxEVT_SET_FOCUS, ids::kSlotNames[9]);
    focus.SetEventObject(window.SlotNameBox(9));
    window.SlotNameBox(9)->ProcessWindowEvent(focus);
    EXPECT_EQ(window.m_nSlotIndex, 9);
    EXPECT_EQ(window.m_nSlotMask, 0x200);
    EXPECT_TRUE(window.SlotRadio(9)->GetValue());
    EXPECT_FALSE(window.SlotRadio(0)->GetValue());
    EXPECT_EQ(window.Session().SlotMask(), 0x200);

    wxCommandEvent click(wxEVT_RADIOBUTTON, ids::kSlotRadios[3]);
    click.SetEventObject(window.SlotRadio(3));
    window.SlotRadio(3)->ProcessWindowEvent(click);
    EXPECT_EQ(window.m_nSlotIndex, 3);
    EXPECT_EQ(window.Session().SlotIndex(), 3);
}

TEST(ManagerDlg, StaleImageFilesAreDeletedAtStart) {
    TempFolder folder;
    folder.MakeFile("sm.tmp", 131072);
    folder.MakeFile("smwork.tmp", 131072);
    WindowUnderTest test(folder);
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "sm.tmp"));
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "smwork.tmp"));
}

// A handset's own loader (any bytes of a sendable size will do here), so that any port may be tried.
CManagerOptions WithALoader(const TempFolder& folder, const std::string& port) {
    CManagerOptions options;
    options.port_device = port;
    options.loader_file = folder.MakeFile("handset.ldr", 100);
    return options;
}

TEST(ManagerDlg, AfterStopTheNextConnectAsks) {
    TempFolder folder;
    WindowUnderTest test(folder, WithALoader(folder, (folder.Path() / "no-such-tty").string()));
    CManagerDlg& window = *test.window;
    window.OnConnect();  // the first Connect starts detecting without a question
    EXPECT_EQ(test.prompts.confirms, 0);
    EXPECT_FALSE(IsEnabled(window, ids::kConnect));
    EXPECT_FALSE(IsEnabled(window, ids::kSetting));
    EXPECT_TRUE(IsEnabled(window, ids::kStop));  // detection can be cancelled
    window.OnStop();
    EXPECT_TRUE(LogContains(window, "Com Port Closed!!!"));
    EXPECT_TRUE(IsEnabled(window, ids::kConnect));
    EXPECT_TRUE(IsEnabled(window, ids::kSetting));
    EXPECT_FALSE(IsEnabled(window, ids::kStop));
    test.prompts.confirm_answer = false;
    window.OnConnect();
    ASSERT_EQ(test.prompts.confirms, 1);
    EXPECT_EQ(test.prompts.asked[0], "Do you want to connect?");
    EXPECT_EQ(test.prompts.asked[1], "Confirm");
    EXPECT_TRUE(IsEnabled(window, ids::kConnect));  // Cancel leaves Connect usable
}

TEST(ManagerDlg, PortThatCannotBeOpenedLeavesConnectUsableWithTheReason) {
    TempFolder folder;
    const std::string device = (folder.Path() / "no-such-tty").string();
    WindowUnderTest test(folder, WithALoader(folder, device));
    CManagerDlg& window = *test.window;
    window.OnConnect();
    ASSERT_TRUE(PumpUntil([&] { return LogContains(window, "Port Initialization Failed."); }, 5s));
    PumpUntil([&] { return IsEnabled(window, ids::kConnect); }, 1s);
    EXPECT_TRUE(IsEnabled(window, ids::kConnect));
    EXPECT_TRUE(IsEnabled(window, ids::kSetting));
    bool reason = false;
    for (const auto& line : LogLines(window)) reason = reason || line.find(device) != std::string::npos;
    EXPECT_TRUE(reason);
    // Detection has stopped: no second failure a second later.
    PumpUntil([] { return false; }, 1300ms);
    int failures = 0;
    for (const auto& line : LogLines(window)) failures += line == "Port Initialization Failed.";
    EXPECT_EQ(failures, 1);
}

TEST(ManagerDlg, WithoutALoaderFileARealPortIsRefusedBeforeItIsOpened) {
    TempFolder folder;
    CManagerOptions options;
    options.port_device = (folder.Path() / "ttyUSB0").string();
    WindowUnderTest test(folder, options);
    CManagerDlg& window = *test.window;
    window.OnConnect();
    EXPECT_EQ(LogLines(window).front(),
              "No handset loader is set: choose your handset's loader file in Setting.");
    EXPECT_TRUE(IsEnabled(window, ids::kConnect));
    EXPECT_TRUE(IsEnabled(window, ids::kSetting));
    EXPECT_FALSE(IsEnabled(window, ids::kStop));
    PumpUntil([] { return false; }, 1300ms);  // no detection tick opens the port
    EXPECT_FALSE(LogContains(window, "Port Initialization Failed."));
    EXPECT_FALSE(window.Session().Serial().IsOpen());
}

TEST(ManagerDlg, ErasedSlotsShowEmptyGreyedBoxes) {
    TempFolder folder;
    WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    SlotNames names;
    names[0] = {"", true};
    names[1] = {"Alarm", false};
    window.View().ShowSlotNames(names);
    const wxColour grey = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    EXPECT_EQ(window.SlotNameBox(0)->GetValue(), "");
    EXPECT_EQ(window.SlotNameBox(0)->GetBackgroundColour(), grey);
    EXPECT_EQ(window.SlotNameBox(1)->GetValue(), "Alarm");
    EXPECT_NE(window.SlotNameBox(1)->GetBackgroundColour(), grey);
    window.View().ShowSlotNames(SlotNames{});  // a new Connect: every box plain and empty again
    EXPECT_NE(window.SlotNameBox(0)->GetBackgroundColour(), grey);
}

TEST(ManagerDlg, ASlotsContextMenuSelectsItAndOffersNothingWhileNotConnected) {
    TempFolder folder;
    WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    for (wxWindow* control :
         {static_cast<wxWindow*>(window.SlotNameBox(10)), static_cast<wxWindow*>(window.SlotRadio(4))}) {
        wxContextMenuEvent event(wxEVT_CONTEXT_MENU, control->GetId());
        event.SetEventObject(control);
        control->ProcessWindowEvent(event);
    }
    EXPECT_EQ(test.prompts.menus, 2);
    EXPECT_EQ(window.m_nSlotIndex, 4);
    EXPECT_TRUE(window.SlotRadio(4)->GetValue());
    using Item = std::pair<wxString, bool>;
    EXPECT_EQ(test.prompts.menu_items,
              (std::vector<Item>{{"Play", false}, {"Save melody as...", false}, {"Clear slot", false}}));
}

// Events from the controls reach their handlers (the tests above call the handlers directly).
TEST(ManagerDlg, ControlEventsReachTheirHandlers) {
    TempFolder folder;
    folder.MakeFile("music/sub/a.mmf");
    WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    window.FillFileList(wxString::FromUTF8((folder.Path() / "music").string()));

    wxCommandEvent stop(wxEVT_BUTTON, ids::kStop);
    window.FindWindow(ids::kStop)->ProcessWindowEvent(stop);
    EXPECT_TRUE(LogContains(window, "Com Port Closed!!!"));

    wxListEvent activate(wxEVT_LIST_ITEM_ACTIVATED, ids::kFileList);
    activate.m_itemIndex = window.FileList()->FindRow("sub");
    window.FileList()->ProcessWindowEvent(activate);
    EXPECT_EQ(window.m_strCurDir, wxString::FromUTF8((folder.Path() / "music" / "sub").string()));

    wxCommandEvent browse(wxEVT_BUTTON, ids::kBrowse);
    window.FindWindow(ids::kBrowse)->ProcessWindowEvent(browse);
    EXPECT_EQ(test.prompts.asked.size(), 1u);  // the file dialog was asked for (and cancelled)
}

TEST(ManagerDlg, ExitWithoutAPortClosesTheWindow) {
    TempFolder folder;
    WindowUnderTest test(folder);
    test.window->Show();
    test.window->OnExit();
    EXPECT_FALSE(test.window->IsShown());
    EXPECT_EQ(test.window->GetTitle(), "Cantavo V1.1");
}

}  // namespace
}  // namespace cantavo
