// The main window's commands: each one is forwarded to the session or opens its dialog.
#include <wx/bmpbuttn.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app/info_dlg.h"
#include "app/manager_dlg.h"
#include "app/player_launch.h"
#include "app/setting_dlg.h"
#include "host/file_io.h"
#include "host/program_folder.h"
#include "host/user_folders.h"
#include "transfer/user_area.h"

namespace cantavo {
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
    for (int slot = 0; slot < kMelodySlotCount; ++slot) {
        Bind(
            wxEVT_RADIOBUTTON, [this, slot](wxCommandEvent&) { OnSelectSlot(slot); }, ids::kSlotRadios[slot]);
        SlotNameBox(slot)->Bind(wxEVT_SET_FOCUS, [this, slot](wxFocusEvent& event) {
            OnSelectSlot(slot);
            event.Skip();
        });
        for (wxWindow* control :
             {static_cast<wxWindow*>(SlotNameBox(slot)), static_cast<wxWindow*>(SlotRadio(slot))})
            control->Bind(wxEVT_CONTEXT_MENU, [this, slot](wxContextMenuEvent&) { OnSlotContextMenu(slot); });
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

void CManagerDlg::OnSlotContextMenu(int index) {
    OnSelectSlot(index);
    const bool usable = m_session->IsConnected() && !m_session->IsWorkerRunning();
    const bool holdsMelody = usable && !m_slotNames[index].erased;
    wxMenu menu;
    menu.Append(ids::kSlotPlay, app_texts::kPlaySlot);
    menu.Append(ids::kSlotSaveMelody, app_texts::kSaveMelody);
    menu.Append(ids::kSlotClear, app_texts::kClearSlot);
    menu.Enable(ids::kSlotPlay, holdsMelody);
    menu.Enable(ids::kSlotSaveMelody, holdsMelody);
    menu.Enable(ids::kSlotClear, usable);
    switch (m_prompts.ChooseFromMenu(*this, menu)) {
        case ids::kSlotPlay:
            OnPlaySlot(index);
            break;
        case ids::kSlotSaveMelody:
            OnSaveSlotMelody(index);
            break;
        case ids::kSlotClear:
            OnClearSlot(index);
            break;
        default:
            break;
    }
}

// The player opens files: the melody goes to a file of ours for as long as it plays.
void CManagerDlg::OnPlaySlot(int index) {
    const auto melody = m_session->SlotMelody(index);
    if (!melody) return;
    const auto file = m_session->ImageFolder() / (SlotLabel(index) + ".mmf");
    std::string error;
    if (!WriteFileBytes(file, *melody, error)) {
        LogMessage(wxString::FromUTF8(error));
        return;
    }
    RunPlayerDialog(this, wxString::FromUTF8(file.string()));
    if (!RemoveFile(file, error)) LogMessage(wxString::FromUTF8(error));
}

void CManagerDlg::OnSaveSlotMelody(int index) {
    // The title as the default name; a '/' in it would name a folder.
    std::string name = m_slotNames[index].title.empty() ? SlotLabel(index) : m_slotNames[index].title;
    std::replace(name.begin(), name.end(), '/', '_');
    const wxString path =
        m_prompts.SaveFile(app_texts::kSmafFilter, "mmf", wxString::FromUTF8(name + ".mmf"));
    if (path.empty()) return;
    m_session->SaveSlotMelody(index, std::filesystem::path(path.utf8_string()));
}

void CManagerDlg::OnClearSlot(int index) {
    m_session->ClearSlot(index);
}

SettingValues CManagerDlg::SettingsInUse() const {
    SettingValues values;
    const std::string& device = m_session->PortDevice();
    values.com_port = device.empty() ? m_session->Port() : 0;
    values.device = device;
    values.virtual_handset = m_handset.IsRunning() && device == m_handset.DevicePath();
    values.loader_file = m_loaderFile.string();
    return values;
}

void CManagerDlg::OnSetting() {
    CSettingDlg setting(this, ListSerialPorts(), SettingsInUse(), m_prompts);
    if (setting.ShowModal() == wxID_OK) ApplySetting(setting);
}

bool CManagerDlg::UseLoaderFile(const std::filesystem::path& file) {
    if (m_session->LoadLoaderFile(file) == 0) return false;
    m_loaderFile = file;
    LogMessage(wxString::Format(app_texts::kLoaderSelected, wxString::FromUTF8(file.string())));
    return true;
}

void CManagerDlg::ApplySetting(const CSettingDlg& setting) {
    // A loader chosen here is used at once and kept in the profile for the next start (and cantavo-cli).
    const std::filesystem::path loader = setting.LoaderFile();
    if (!loader.empty() && loader != m_loaderFile && UseLoaderFile(loader))
        m_profile.WriteLoaderPath(wxString::FromUTF8(loader.string()));
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
    m_session->SetPortName(device);
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

}  // namespace cantavo
