#include "app/setting_dlg.h"

#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/textctrl.h>

#include "app_test_support.h"
#include "host/profile_file.h"

namespace cantavo {
namespace {

using testing::ScriptedPrompts;

void Choose(wxChoice* list, int index) {
    list->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, list->GetId());
    event.SetInt(index);
    event.SetEventObject(list);
    list->ProcessWindowEvent(event);
}

const SerialPort kAdapter{"/dev/serial/by-id/usb-Maker_Cable_A1-if00-port0", "ttyUSB0"};
const SerialPort kModem{"/dev/ttyACM0", "ttyACM0"};

TEST(SettingDlg, ListsComPortsDevicesAndTheVirtualHandset) {
    ScriptedPrompts prompts;
    CSettingDlg setting(nullptr, {kAdapter, kModem}, {}, prompts);
    ASSERT_EQ(setting.PortList()->GetCount(), 11u);
    EXPECT_EQ(setting.PortList()->GetString(0), "COM1");
    EXPECT_EQ(setting.PortList()->GetString(7), "COM8");
    EXPECT_EQ(setting.PortList()->GetString(8), "/dev/serial/by-id/usb-Maker_Cable_A1-if00-port0 (ttyUSB0)");
    EXPECT_EQ(setting.PortList()->GetString(9), "/dev/ttyACM0");
    EXPECT_EQ(setting.PortList()->GetString(10), "Virtual handset");
    ASSERT_EQ(setting.BaudList()->GetCount(), 8u);
    EXPECT_EQ(setting.BaudList()->GetString(0), "115200");
    EXPECT_EQ(setting.BaudList()->GetString(7), "1200");
    // Untouched: COM1 and the first baud entry.
    EXPECT_EQ(setting.m_nPortSel, 1);
    EXPECT_EQ(setting.m_nBaudSel, 1);
    EXPECT_TRUE(setting.IsComPort());
}

TEST(SettingDlg, SelectionsAreIndexPlusOne) {
    ScriptedPrompts prompts;
    CSettingDlg setting(nullptr, {kAdapter, kModem}, {}, prompts);
    Choose(setting.PortList(), 7);
    EXPECT_EQ(setting.m_nPortSel, 8);
    Choose(setting.BaudList(), 4);
    EXPECT_EQ(setting.m_nBaudSel, 5);
    Choose(setting.PortList(), 8);
    EXPECT_FALSE(setting.IsComPort());
    EXPECT_EQ(setting.SelectedDevice(), kAdapter.path);  // the stable name is what is opened
    Choose(setting.PortList(), 9);
    EXPECT_EQ(setting.SelectedDevice(), "/dev/ttyACM0");
    Choose(setting.PortList(), 10);
    EXPECT_TRUE(setting.IsVirtualHandset());
    EXPECT_EQ(setting.SelectedDevice(), "");
}

TEST(SettingDlg, OpensOnThePortInUse) {
    ScriptedPrompts prompts;
    const auto shown = [&](const SettingValues& current) {
        CSettingDlg setting(nullptr, {{"/dev/ttyUSB0", "ttyUSB0"}, {"/dev/ttyUSB1", "ttyUSB1"}}, current,
                            prompts);
        return std::make_pair(setting.PortList()->GetStringSelection().utf8_string(), setting.m_nPortSel);
    };
    SettingValues values;
    values.com_port = 3;
    EXPECT_EQ(shown(values), std::make_pair(std::string("COM3"), 3));
    values = {0, "/dev/ttyUSB1", false, ""};
    EXPECT_EQ(shown(values), std::make_pair(std::string("/dev/ttyUSB1"), 10));
    values = {0, "/dev/pts/7", true, ""};
    EXPECT_EQ(shown(values), std::make_pair(std::string("Virtual handset"), 11));
    values = {0, "/home/u/handset-link", false, ""};  // a --port device not in the list becomes an entry
    EXPECT_EQ(shown(values), std::make_pair(std::string("/home/u/handset-link"), 11));
    values = {12, "", false, ""};
    EXPECT_EQ(shown(values), std::make_pair(std::string("COM12"), 11));

    values = {0, "/home/u/handset-link", false, ""};
    CSettingDlg setting(nullptr, {{"/dev/ttyUSB0", "ttyUSB0"}}, values, prompts);
    EXPECT_EQ(setting.SelectedDevice(), "/home/u/handset-link");
    EXPECT_EQ(setting.PortList()->GetString(10), "Virtual handset");
}

TEST(SettingDlg, TheLoaderRowShowsTheFileOrTheBuiltInOneAndBrowseChangesIt) {
    ScriptedPrompts prompts;
    CSettingDlg builtIn(nullptr, {}, {}, prompts);
    EXPECT_EQ(builtIn.LoaderFileBox()->GetValue(), "Built-in (virtual handset only)");
    EXPECT_EQ(builtIn.LoaderFile(), "");
    builtIn.OnBrowseLoader();  // cancelled
    EXPECT_EQ(builtIn.LoaderFile(), "");
    EXPECT_EQ(prompts.asked.back(), "Loader file(*.ldr)|*.ldr|All files|*");
    prompts.file_answer = "/opt/handset/loader.ldr";
    builtIn.OnBrowseLoader();
    EXPECT_EQ(builtIn.LoaderFile(), "/opt/handset/loader.ldr");
    EXPECT_EQ(builtIn.LoaderFileBox()->GetValue(), "/opt/handset/loader.ldr");

    SettingValues values;
    values.loader_file = "/home/u/mine.ldr";
    CSettingDlg chosen(nullptr, {}, values, prompts);
    EXPECT_EQ(chosen.LoaderFileBox()->GetValue(), "/home/u/mine.ldr");
}

TEST(SettingDlg, OkSetsThePortOfTheNextConnection) {
    testing::TempFolder folder;
    testing::WindowUnderTest test(folder);
    ScriptedPrompts prompts;
    CSettingDlg setting(test.window, {kModem}, test.window->SettingsInUse(), prompts);
    test.window->ApplySetting(setting);  // untouched: COM1
    EXPECT_EQ(test.window->Session().Port(), 1);
    Choose(setting.PortList(), 7);
    test.window->ApplySetting(setting);
    EXPECT_EQ(test.window->Session().Port(), 8);
    EXPECT_EQ(test.window->Session().PortDevice(), "");
    Choose(setting.PortList(), 8);
    test.window->ApplySetting(setting);
    EXPECT_EQ(test.window->Session().PortDevice(), "/dev/ttyACM0");
    Choose(setting.PortList(), 2);
    test.window->ApplySetting(setting);
    EXPECT_EQ(test.window->Session().Port(), 3);
    EXPECT_EQ(test.window->Session().PortDevice(), "");
}

TEST(SettingDlg, ALoaderChosenOnOkIsUsedAtOnceAndKeptInTheProfile) {
    testing::TempFolder folder;
    testing::WindowUnderTest test(folder);
    CManagerDlg& window = *test.window;
    EXPECT_EQ(window.SettingsInUse().loader_file, "");
    EXPECT_FALSE(window.Session().LoaderAllowedOnPort());  // COM1 with the placeholder

    const auto profile = folder.Path() / "profile.ini";
    ScriptedPrompts prompts;
    const auto chooseInSetting = [&](const std::filesystem::path& file) {
        prompts.file_answer = wxString::FromUTF8(file.string());
        CSettingDlg setting(&window, {}, window.SettingsInUse(), prompts);
        setting.OnBrowseLoader();
        window.ApplySetting(setting);
    };
    const auto bad = folder.MakeFile("bad.ldr", 10);
    chooseInSetting(bad);
    EXPECT_TRUE(testing::LogContains(window, "Loader file refused: " + bad.string() +
                                                 ": 10 bytes, neither a loader table (11960 bytes) nor a "
                                                 "loader image (30 to 5976 bytes)"));
    EXPECT_EQ(window.SettingsInUse().loader_file, "");
    EXPECT_EQ(ReadProfileValue(profile, "Cantavo", "LoaderPath"), "");

    const auto good = folder.MakeFile("my loader.bin", 3000);
    chooseInSetting(good);
    EXPECT_TRUE(testing::LogContains(window, "Loader: " + good.string()));
    EXPECT_EQ(window.SettingsInUse().loader_file, good.string());
    EXPECT_TRUE(window.Session().LoaderAllowedOnPort());
    EXPECT_EQ(ReadProfileValue(profile, "Cantavo", "LoaderPath"), good.string());

    // The next start finds it in the profile.
    delete test.window;
    test.window = nullptr;
    testing::WindowUnderTest next(folder);
    EXPECT_EQ(next.window->SettingsInUse().loader_file, good.string());
    EXPECT_TRUE(testing::LogContains(*next.window, "Loader: " + good.string()));
}

}  // namespace
}  // namespace cantavo
