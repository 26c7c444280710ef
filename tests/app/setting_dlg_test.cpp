#include "app/setting_dlg.h"

#include <gtest/gtest.h>
#include <wx/choice.h>

#include "app/serial_devices.h"
#include "app_test_support.h"

namespace {

void Choose(wxChoice* list, int index) {
    list->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, list->GetId());
    event.SetInt(index);
    event.SetEventObject(list);
    list->ProcessWindowEvent(event);
}

TEST(SettingDlg, ListsComPortsDevicesAndTheVirtualHandset) {
    CSettingDlg setting(nullptr, {"/dev/ttyUSB0"});
    ASSERT_EQ(setting.PortList()->GetCount(), 10u);
    EXPECT_EQ(setting.PortList()->GetString(0), "COM1");
    EXPECT_EQ(setting.PortList()->GetString(7), "COM8");
    EXPECT_EQ(setting.PortList()->GetString(8), "/dev/ttyUSB0");
    EXPECT_EQ(setting.PortList()->GetString(9), "Virtual handset");
    ASSERT_EQ(setting.BaudList()->GetCount(), 8u);
    EXPECT_EQ(setting.BaudList()->GetString(0), "115200");
    EXPECT_EQ(setting.BaudList()->GetString(7), "1200");
    // Untouched: COM1 and the first baud entry.
    EXPECT_EQ(setting.m_nPortSel, 1);
    EXPECT_EQ(setting.m_nBaudSel, 1);
    EXPECT_TRUE(setting.IsComPort());
}

TEST(SettingDlg, SelectionsAreIndexPlusOne) {
    CSettingDlg setting(nullptr, {"/dev/ttyUSB0"});
    Choose(setting.PortList(), 7);
    EXPECT_EQ(setting.m_nPortSel, 8);
    Choose(setting.BaudList(), 4);
    EXPECT_EQ(setting.m_nBaudSel, 5);
    Choose(setting.PortList(), 8);
    EXPECT_FALSE(setting.IsComPort());
    EXPECT_EQ(setting.SelectedDevice(), "/dev/ttyUSB0");
    Choose(setting.PortList(), 9);
    EXPECT_TRUE(setting.IsVirtualHandset());
    EXPECT_EQ(setting.SelectedDevice(), "");
}

TEST(SettingDlg, OkSetsThePortOfTheNextConnection) {
    cantavo::test::TempFolder folder;
    cantavo::test::WindowUnderTest test(folder);
    CSettingDlg setting(test.window, {"/dev/ttyUSB0"});
    test.window->ApplySetting(setting);  // untouched: COM1
    EXPECT_EQ(test.window->Session().Port(), 1);
    Choose(setting.PortList(), 7);
    test.window->ApplySetting(setting);
    EXPECT_EQ(test.window->Session().Port(), 8);
    EXPECT_EQ(test.window->Session().PortDevice(), "");
    Choose(setting.PortList(), 8);
    test.window->ApplySetting(setting);
    EXPECT_EQ(test.window->Session().PortDevice(), "/dev/ttyUSB0");
    Choose(setting.PortList(), 2);
    test.window->ApplySetting(setting);
    EXPECT_EQ(test.window->Session().Port(), 3);
    EXPECT_EQ(test.window->Session().PortDevice(), "");
}

TEST(SerialDevices, PicksSerialNamesSorted) {
    cantavo::test::TempFolder dev;
    for (const char* name : {"ttyUSB1", "ttyACM0", "ttyUSB0", "tty1", "sda", "ttyUSB", "rfcomm0"})
        dev.MakeFile(name);
    const std::string folder = dev.Path().string();
    EXPECT_EQ(ListSerialDevices(folder),
              (std::vector<std::string>{folder + "/rfcomm0", folder + "/ttyACM0", folder + "/ttyUSB0",
                                        folder + "/ttyUSB1"}));
}

}  // namespace
