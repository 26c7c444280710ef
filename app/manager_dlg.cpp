// The main window: controls, initialisation and what the session shows.
#include "app/manager_dlg.h"

#include <wx/bmpbuttn.h>
#include <wx/evtloop.h>
#include <wx/gauge.h>
#include <wx/iconbndl.h>
#include <wx/listbox.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app/drive_combo.h"
#include "app/file_list_ctrl.h"
#include "app/notify_dlg.h"
#include "app/skin.h"
#include "app/splash_dlg.h"
#include "host/data_folder.h"
#include "host/loader_lookup.h"
#include "host/user_folders.h"
#include "transfer/user_area.h"

namespace cantavo {
namespace {

constexpr int kDetectionTimerId = 0;
constexpr int kGap = 6;
const wxSize kSideButtonSize{44, 44};
const wxSize kFileListMinSize{400, 250};
constexpr int kSlotNameWidth = 280;
const wxSize kLogMinSize{300, 150};
constexpr int kProgressWidth = 14;

}  // namespace

CManagerDlg::CManagerDlg(CManagerOptions options)
    : wxDialog(nullptr, wxID_ANY, app_texts::kRestingTitle, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxMINIMIZE_BOX),
      m_options(std::move(options)),
      m_profile(m_options.profile_path.empty() ? CProfile::DefaultPath() : m_options.profile_path),
      m_prompts(m_options.prompts != nullptr ? *m_options.prompts : m_wxPrompts),
      m_view(*this, m_prompts),
      m_session(std::make_unique<CHandsetSession>(m_view)),
      m_timer(this, kDetectionTimerId) {
    CreateControls();
    BindEvents();
}

CManagerDlg::~CManagerDlg() {
    m_timer.Stop();
    if (m_bInitialised) m_profile.WriteMainPath(m_strCurDir);
    m_view.StopWaiting();
    m_session.reset();
    m_handset.Stop();
}

void CManagerDlg::CreateControls() {
    auto* banners = new wxBoxSizer(wxHORIZONTAL);
    banners->Add(new wxStaticBitmap(this, wxID_ANY, LoadPicture("banner_main.svg")), 0,
                 wxALIGN_CENTRE_VERTICAL);
    banners->AddStretchSpacer();
    banners->Add(new wxStaticBitmap(this, wxID_ANY, LoadPicture("banner_side.svg")), 0,
                 wxALIGN_CENTRE_VERTICAL);

    auto* right = new wxBoxSizer(wxVERTICAL);
    right->Add(CreateSlotGroup(), 0, wxEXPAND);
    auto* logRow = new wxBoxSizer(wxHORIZONTAL);
    m_listLog = new wxListBox(this, ids::kLog, wxDefaultPosition, kLogMinSize, 0, nullptr,
                              wxLB_SINGLE | wxLB_HSCROLL | wxLB_NEEDED_SB);
    m_ctlProgress = new wxGauge(this, ids::kProgress, 100, wxDefaultPosition, wxSize(kProgressWidth, -1),
                                wxGA_VERTICAL | wxGA_SMOOTH);
    logRow->Add(m_listLog, 1, wxEXPAND);
    logRow->Add(m_ctlProgress, 0, wxEXPAND | wxLEFT, kGap);
    right->Add(logRow, 1, wxEXPAND | wxTOP, kGap);

    auto* middle = new wxBoxSizer(wxHORIZONTAL);
    middle->Add(CreateSideButtons(), 0, wxRIGHT, kGap);
    middle->Add(CreateSourceGroup(), 0, wxEXPAND | wxRIGHT, kGap);
    middle->Add(right, 1, wxEXPAND);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(banners, 0, wxEXPAND | wxALL, kGap * 2);
    sizer->Add(middle, 1, wxEXPAND | wxLEFT | wxRIGHT, kGap * 2);
    sizer->Add(new wxStaticBitmap(this, wxID_ANY, LoadPicture("banner_small.svg")), 0, wxALL, kGap * 2);
    SetSizerAndFit(sizer);
    CentreOnScreen();
}

wxSizer* CManagerDlg::CreateSideButtons() {
    auto* column = new wxBoxSizer(wxVERTICAL);
    for (const SideButton& button : kSideButtons) {
        auto* control =
            new wxBitmapButton(this, button.id, wxBitmapBundle(), wxDefaultPosition, kSideButtonSize);
        control->SetLabel(button.text);
        column->Add(control, 0, wxBOTTOM, kGap / 2);
    }
    return column;
}

wxSizer* CManagerDlg::CreateSourceGroup() {
    auto* group = new wxStaticBoxSizer(wxVERTICAL, this, app_texts::kSourceGroup);
    wxWindow* box = group->GetStaticBox();
    // Children of the group box, created with the window's ids so the command sets find them.
    auto* nameRow = new wxBoxSizer(wxHORIZONTAL);
    nameRow->Add(new wxStaticText(box, wxID_ANY, app_texts::kFilenameLabel), 0, wxALIGN_CENTRE_VERTICAL);
    nameRow->AddStretchSpacer();
    nameRow->Add(new wxButton(box, ids::kBrowse, app_texts::kBrowse));
    m_ctlFileName = new wxStaticText(box, ids::kFileName, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                     wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_END | wxBORDER_SUNKEN);
    m_ctlFileList = new CFileListCtrl(box, ids::kFileList);
    m_ctlFileList->SetMinSize(kFileListMinSize);
    auto* driveRow = new wxBoxSizer(wxHORIZONTAL);
    m_ctlDrives = new CDriveComboBox(box, ids::kDrives);
    driveRow->Add(new wxStaticText(box, wxID_ANY, app_texts::kDrivesLabel), 0,
                  wxALIGN_CENTRE_VERTICAL | wxRIGHT, kGap);
    driveRow->Add(m_ctlDrives, 1);
    group->Add(nameRow, 0, wxEXPAND | wxALL, kGap);
    group->Add(m_ctlFileName, 0, wxEXPAND | wxLEFT | wxRIGHT, kGap);
    group->Add(m_ctlFileList, 1, wxEXPAND | wxALL, kGap);
    group->Add(driveRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, kGap);
    return group;
}

wxSizer* CManagerDlg::CreateSlotGroup() {
    auto* group = new wxStaticBoxSizer(wxVERTICAL, this, app_texts::kSlotsGroup);
    wxWindow* box = group->GetStaticBox();
    auto* grid = new wxFlexGridSizer(2, wxSize(kGap, kGap / 2));
    grid->AddGrowableCol(1);
    for (int slot = 0; slot < kMelodySlotCount; ++slot) {
        m_radioSlot[slot] =
            new wxRadioButton(box, ids::kSlotRadios[slot], wxString::FromUTF8(SlotLabel(slot)),
                              wxDefaultPosition, wxDefaultSize, slot == 0 ? wxRB_GROUP : 0);
        m_editSlot[slot] = new wxTextCtrl(box, ids::kSlotNames[slot], wxEmptyString, wxDefaultPosition,
                                          wxSize(kSlotNameWidth, -1));
        grid->Add(m_radioSlot[slot], 0, wxALIGN_CENTRE_VERTICAL);
        grid->Add(m_editSlot[slot], 1, wxEXPAND);
    }
    group->Add(grid, 0, wxEXPAND | wxALL, kGap);
    return group;
}

bool CManagerDlg::OnInitDialog() {
    if (m_bInitialised) return true;
    m_bInitialised = true;
    if (m_options.splash) {
        m_pSplash = new CSplashDlg;
        m_pSplash->Create(this);
        m_pSplash->StartFade();
        m_pSplash->Show();
    }
    wxIconBundle icons;
    const wxBitmapBundle icon = LoadPicture("icon.svg");
    for (int size : {16, 32, 48}) icons.AddIcon(icon.GetIcon(wxSize(size, size)));
    SetIcons(icons);
    m_ctlDrives->FillDrives(m_options.drives.empty() ? ListDriveRoots(HomeFolder(), DemoFolder().string())
                                                     : m_options.drives);
    SetupSkin();
    m_ctlFileList->InitColumns();
    m_nSlotIndex = 0;
    m_nSlotMask = 1;
    MoveSlotToControls();
    OpenLastFolder();
    m_session->SetPortMap(m_profile.ReadPortMap());
    m_session->Initialise(m_options.image_folder.empty() ? std::filesystem::path(UserCacheFolder())
                                                         : m_options.image_folder);
    const auto loader = FindLoaderFile(m_options.loader_file, m_profile.FilePath().utf8_string());
    if (!loader.empty()) UseLoaderFile(loader);
    if (m_options.virtual_handset)
        StartVirtualHandset();
    else if (!m_options.port_device.empty())
        SelectPortDevice(m_options.port_device);
    return true;
}

void CManagerDlg::SetupSkin() {
    for (const SideButton& button : kSideButtons) {
        auto* control = static_cast<wxBitmapButton*>(FindWindow(button.id));
        control->SetBitmap(LoadPicture(button.picture, kSideButtonPictureSize));
        if (button.tooltip != nullptr) control->SetToolTip(button.tooltip);
    }
}

void CManagerDlg::OpenLastFolder() {
    m_strCurDir = m_profile.ReadMainPath();
    if (m_strCurDir.empty()) m_strCurDir = wxString::FromUTF8(CurrentFolder());
    FillFileList(m_strCurDir);
    m_nCurDrive = FindDriveIndex(m_ctlDrives->Roots(), m_strCurDir.utf8_string());
    m_ctlDrives->SetSelection(m_nCurDrive);
}

void CManagerDlg::MoveSlotToControls() {
    m_radioSlot[m_nSlotIndex]->SetValue(true);
}

void CManagerDlg::LogMessage(const wxString& text) {
    if (m_listLog->GetCount() >= kMaxLogLines) m_listLog->Delete(m_listLog->GetCount() - 1);
    m_listLog->Insert(text, 0);
    m_listLog->SetFirstItem(0);
}

void CManagerDlg::ShowNotification(const wxString& text) {
    CNotifyDlg notification;
    notification.m_strMessage = text;
    notification.ShowModal();
}

void CManagerDlg::SetTitleText(const wxString& text) {
    SetTitle(text);
    RepaintDuringCommand();
}

void CManagerDlg::SetProgress(int percent) {
    m_ctlProgress->SetValue(percent);
    RepaintDuringCommand();
}

// Download runs on this thread for seconds; let the bar and the title repaint meanwhile, handling no input.
void CManagerDlg::RepaintDuringCommand() {
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
    if (m_bLongCommand && loop != nullptr && !loop->IsYielding() && IsShown())
        loop->YieldFor(wxEVT_CATEGORY_UI);
}

void CManagerDlg::EnableControl(int id, bool enabled) {
    if (wxWindow* control = FindWindow(id)) control->Enable(enabled);
}

void CManagerDlg::EnableCommands() {
    for (int id : ids::kEnableSet) EnableControl(id, true);
}

void CManagerDlg::DisableCommands() {
    for (int id : ids::kEnableSet) EnableControl(id, false);
    EnableControl(ids::kSetting, false);
}

// Setting may change the port whenever no connection is running: it follows Connect while not connected.
void CManagerDlg::EnableConnect(bool enabled) {
    EnableControl(ids::kConnect, enabled);
    EnableControl(ids::kSetting, enabled && !m_session->IsConnected());
}

void CManagerDlg::EnableStop(bool enabled) {
    EnableControl(ids::kStop, enabled);
}

void CManagerDlg::ShowSlotNames(const SlotNames& names) {
    m_slotNames = names;
    const wxColour erased = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    for (int slot = 0; slot < kMelodySlotCount; ++slot) {
        m_editSlot[slot]->ChangeValue(wxString::FromUTF8(names[slot].title));
        m_editSlot[slot]->SetBackgroundColour(names[slot].erased ? erased : wxNullColour);
        m_editSlot[slot]->Refresh();
    }
}

void CManagerDlg::ClearSelectedFile() {
    m_ctlFileName->SetLabel(wxEmptyString);
}

void CManagerDlg::SetDetectionTimer(bool running) {
    if (running)
        m_timer.Start(kDetectionTimerMs);
    else
        m_timer.Stop();
}

}  // namespace cantavo
