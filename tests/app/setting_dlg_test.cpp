#include "app/setting_dlg.h"

#include <gtest/gtest.h>
#include <wx/choice.h>

#include "app_test_support.h"

namespace {

void Choose(wxChoice* list, int index) {
    list->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, list->GetId());
    event.SetInt(index);
    event.SetEventObject(list);
    list->ProcessWindowEvent(event);
}

const cantavo::SerialPort kAdapter{"/dev/serial/by-id/usb-Maker_Cable_A1-if00-port0", "ttyUSB0"};
const cantavo::SerialPort kModem{"/dev/ttyACM0", "ttyACM0"};

TEST(SettingDlg, ListsComPortsDevicesAndTheVirtualHandset) {
    CSettingDlg setting(nullptr, {kAdapter, kModem});
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
    CSettingDlg setting(nullptr, {kAdapter, kModem});
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

TEST(SettingDlg, OkSetsThePortOfTheNextConnection) {
    cantavo::test::TempFolder folder;
    cantavo::test::WindowUnderTest test(folder);
    CSettingDlg setting(test.window, {kModem});
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

}  // namespace
