// The main window's commands: each one is forwarded to the session or opens its dialog.
#include <wx/bmpbuttn.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <cstdio>

#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app/info_dlg.h"
#include "app/manager_dlg.h"
#include "app/player_launch.h"
#include "app/setting_dlg.h"
#include "host/user_folders.h"

namespace {

constexpr const char* kHandsetProgram = "cantavo-handset";
constexpr const char* kHandsetFlashFile = "handset-flash.bin";

}  // namespace

void CManagerDlg::BindEvents() {
    const std::pair<int, void (CManagerDlg::*)()> commands[] = {
        {ids::kConnect, &CManagerDlg::OnConnect},   {ids::kSave, &CManagerDlg::OnSaveBackup},
        {ids::kReload, &CManagerDlg::OnReload},     {ids::kLoad, &CManagerDlg::OnLoadBackup},
        {ids::kDownload, &CManagerDlg::OnDownload}, {ids::kStop, &CManagerDlg::OnStop},
        {ids::kSetting, &CManagerDlg::OnSetting},   {ids::kExit, &CManagerDlg::OnExit},
        {ids::kInfo, &CManagerDlg::OnInfo},         {ids::kPlayer, &CManagerDlg::OnPlayer},
        {ids::kBrowse, &CManagerDlg::OnBrowse},
    };
    for (const auto& command : commands) {
        const auto handler = command.second;  // a named copy: clang 14 cannot capture a structured binding
        Bind(
            wxEVT_BUTTON, [this, handler](wxCommandEvent&) { (this->*handler)(); }, command.first);
    }
    for (int slot = 0; slot < ids::kSlotCount; ++slot) {
        Bind(
            wxEVT_RADIOBUTTON, [this, slot](wxCommandEvent&) { OnSelectSlot(slot); }, ids::kSlotRadios[slot]);
        SlotNameBox(slot)->Bind(wxEVT_SET_FOCUS, [this, slot](wxFocusEvent& event) {
            OnSelectSlot(slot);
            event.Skip();
        });
    }
    Bind(
        wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent& event) { OnDblclkFileList(event.GetIndex()); },
        ids::kFileList);
    Bind(
        wxEVT_LIST_COL_CLICK, [this](wxListEvent& event) { OnColumnClick(event.GetColumn()); },
        ids::kFileList);
    Bind(
        wxEVT_COMBOBOX, [this](wxCommandEvent&) { OnSelchangeDrives(); }, ids::kDrives);
    Bind(wxEVT_TIMER, [this](wxTimerEvent& event) { m_session->OnTimer(event.GetId()); });
    Bind(wxEVT_ICONIZE, [this](wxIconizeEvent& event) {
        m_view.SetMinimised(event.IsIconized());
        event.Skip();
    });
}

void CManagerDlg::OnConnect() {
    m_session->OnConnect();
}

void CManagerDlg::OnStop() {
    m_session->OnStop();
}

// Exit says goodbye to the handset (the leave byte); closing the window any other way sends nothing.
void CManagerDlg::OnExit() {
    if (IsShown()) {
        m_view.StopWaiting();
        m_timer.Stop();
        m_session->OnExit();
    }
    if (IsModal())
        EndModal(wxID_CANCEL);
    else
        Hide();
}

void CManagerDlg::OnDownload() {
    m_bLongCommand = true;
    m_session->OnDownload();
    m_bLongCommand = false;
}

void CManagerDlg::OnReload() {
    m_session->OnReload();
}

void CManagerDlg::OnSaveBackup() {
    m_session->OnSaveBackup();
}

void CManagerDlg::OnLoadBackup() {
    m_session->OnLoadBackup();
}

void CManagerDlg::OnSelectSlot(int index) {
    m_nSlotIndex = index;
    m_nSlotMask = 1 << index;
    MoveSlotToControls();
    m_session->OnSelectSlot(index);
}

void CManagerDlg::OnSetting() {
    CSettingDlg setting(this, cantavo::ListSerialPorts());
    if (setting.ShowModal() == wxID_OK) ApplySetting(setting);
}

void CManagerDlg::ApplySetting(const CSettingDlg& setting) {
    if (setting.IsVirtualHandset()) {
        StartVirtualHandset();
    } else if (setting.IsComPort()) {
        m_session->SetPortDevice({});
        m_session->SetPort(setting.m_nPortSel);
        LogMessage(wxString::Format(app_texts::kPortSelected, wxString::Format("COM%d", setting.m_nPortSel)));
    } else {
        SelectPortDevice(setting.SelectedDevice());
    }
}

void CManagerDlg::OnInfo() {
    CInfoDlg info(this);
    info.ShowModal();
}

void CManagerDlg::OnPlayer() {
    RunPlayerDialog(this);
}

void CManagerDlg::SelectPortDevice(const std::string& device) {
    // "COMn" goes through the profile's port map; anything else is a device path.
    if (int port = 0; std::sscanf(device.c_str(), "COM%d", &port) == 1 && port > 0) {
        m_session->SetPortDevice({});
        m_session->SetPort(port);
    } else {
        m_session->SetPortDevice(device);
    }
    LogMessage(wxString::Format(app_texts::kPortSelected, wxString::FromUTF8(device)));
}

void CManagerDlg::StartVirtualHandset() {
    if (!m_handset.IsRunning()) {
        const std::string folder = UserDataFolder();
        MakeFolders(folder);
        const std::string program =
            m_options.handset_program.empty() ? SiblingProgram(kHandsetProgram) : m_options.handset_program;
        std::string error;
        if (!m_handset.Start(program, folder + "/" + kHandsetFlashFile, error)) {
            LogMessage(wxString::Format(app_texts::kVirtualHandsetFailed, wxString::FromUTF8(error)));
            return;
        }
    }
    SelectPortDevice(m_handset.DevicePath());
}
