// A whole session through the window against the virtual handset: connect, insert, download, reconnect.
#include <gtest/gtest.h>
#include <wx/textctrl.h>

#include <filesystem>

#include "app/control_ids.h"
#include "app/file_list_ctrl.h"
#include "app/manager_dlg.h"
#include "app/virtual_handset_process.h"
#include "app_test_support.h"
#include "gui_test_support.h"

namespace {

using namespace std::chrono_literals;
using cantavo::test::LogContains;
using cantavo::test::PumpUntil;
using cantavo::test::TempFolder;
using cantavo::test::WindowUnderTest;

constexpr auto kConnectTimeout = 30s;

class ManagerSession : public testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(SiblingProgram("cantavo-handset")))
            GTEST_SKIP() << "cantavo-handset not built";
        setenv("XDG_DATA_HOME", (m_folder.Path() / "data").c_str(), 1);
        CManagerOptions options;
        options.virtual_handset = true;
        m_test = std::make_unique<WindowUnderTest>(m_folder, options);
    }
    void TearDown() override {
        m_test.reset();
        unsetenv("XDG_DATA_HOME");
    }

    // Connected as the user sees it: the worker's queued calls have all reached the window.
    bool WaitForConnection() {
        return PumpUntil([&] { return Window().FindWindow(ids::kDownload)->IsThisEnabled(); },
                         kConnectTimeout) &&
               Window().Session().IsConnected();
    }
    CManagerDlg& Window() { return *m_test->window; }

    TempFolder m_folder;
    std::unique_ptr<WindowUnderTest> m_test;
};

TEST_F(ManagerSession, ConnectInsertDownloadStopAndConnectAgain) {
    ASSERT_FALSE(Window().VirtualHandsetDevice().empty());
    EXPECT_TRUE(std::filesystem::exists(m_folder.Path() / "data/cantavo/handset-flash.bin"));
    Window().OnConnect();
    ASSERT_TRUE(WaitForConnection());
    EXPECT_TRUE(LogContains(Window(), "Connected Completely !!!"));
    // A new handset's flash is erased: every title is 32 bytes of 0xFF, shown as that many 'ÿ'.
    wxString erased;
    for (int i = 0; i < 32; ++i) erased += wxUniChar(0xFF);
    EXPECT_EQ(Window().SlotNameBox(0)->GetValue(), erased);
    EXPECT_TRUE(Window().FindWindow(ids::kDownload)->IsThisEnabled());
    EXPECT_FALSE(Window().FindWindow(ids::kSetting)->IsThisEnabled());

    Window().OnSelectSlot(2);
    ASSERT_GT(Window().FillFileList(CANTAVO_SOURCE_DIR "/data/demo"), 0);
    Window().OnDblclkFileList(Window().FileList()->FindRow("ode.mmf"));
    EXPECT_TRUE(LogContains(Window(), "ode file inserted"));
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "ode");

    Window().OnDownload();
    EXPECT_TRUE(LogContains(Window(), "Write Success!!"));

    // Backup and restore through their file dialogs.
    const auto backup = m_folder.Path() / "smaf_bak.smf";
    m_test->prompts.file_answer = wxString::FromUTF8(backup.string());
    Window().OnSaveBackup();
    ASSERT_FALSE(m_test->prompts.asked.empty());
    EXPECT_EQ(m_test->prompts.asked.back(), "Smaf Backup File(*.smf)|*.smf");
    EXPECT_TRUE(LogContains(Window(), "Finished Backup File saving"));
    ASSERT_TRUE(std::filesystem::exists(backup));
    EXPECT_EQ(std::filesystem::file_size(backup), 131072u);
    Window().OnLoadBackup();
    EXPECT_TRUE(LogContains(Window(), "Finished Backup File restoring"));
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "ode");
    m_test->prompts.file_answer.clear();
    Window().OnSaveBackup();
    EXPECT_TRUE(LogContains(Window(), "Cancel Backup File saving..."));
    Window().OnStop();
    EXPECT_TRUE(LogContains(Window(), "Com Port Closed!!!"));
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "ode");

    m_test->prompts.confirm_answer = true;
    Window().OnConnect();
    EXPECT_EQ(m_test->prompts.confirms, 1);
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "");  // emptied until the handset has been read again
    ASSERT_TRUE(WaitForConnection());
    EXPECT_EQ(Window().SlotNameBox(2)->GetValue(), "ode");
    EXPECT_EQ(Window().SlotNameBox(3)->GetValue(), erased);
}

}  // namespace
