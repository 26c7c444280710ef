#include "app/setting_dlg.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <array>
#include <filesystem>

#include "app/app_texts.h"
#include "app/control_ids.h"
#include "app/prompts.h"
#include "app/skin.h"

namespace cantavo {
namespace {

constexpr std::array<const char*, 8> kBaudRates = {"115200", "57600", "38400", "19200",
                                                   "9600",   "4800",  "2400",  "1200"};
const wxSize kButtonPictureSize{16, 16};
constexpr int kListWidth = 200;
constexpr int kLoaderFileWidth = 320;

}  // namespace

CSettingDlg::CSettingDlg(wxWindow* parent, std::vector<SerialPort> ports, const SettingValues& current,
                         CPrompts& prompts)
    : wxDialog(parent, wxID_ANY, app_texts::kSettingTitle),
      m_prompts(prompts),
      m_ports(std::move(ports)),
      m_strLoaderFile(current.loader_file) {
    const int portIndex = PortIndex(current);
    m_cboPort = new wxChoice(this, ids::kSettingPort);
    for (int port = 1; port <= kComPortCount; ++port) m_cboPort->Append(wxString::Format("COM%d", port));
    for (const auto& port : m_ports) m_cboPort->Append(wxString::FromUTF8(port.DisplayName()));
    m_cboPort->Append(app_texts::kVirtualHandset);
    m_cboBaud = new wxChoice(this, ids::kSettingBaud);
    for (const char* baud : kBaudRates) m_cboBaud->Append(baud);
    m_cboPort->SetMinSize(wxSize(kListWidth, -1));
    m_cboBaud->SetMinSize(wxSize(kListWidth, -1));
    m_cboPort->SetSelection(portIndex);
    m_nPortSel = portIndex + 1;
    m_cboBaud->SetSelection(0);
    m_cboPort->Bind(wxEVT_CHOICE, &CSettingDlg::OnSelchangePort, this);
    m_cboBaud->Bind(wxEVT_CHOICE, &CSettingDlg::OnSelchangeBaud, this);

    m_ctlLoaderFile = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition,
                                     wxSize(kLoaderFileWidth, -1), wxTE_READONLY);
    ShowLoaderFile();
    auto* browse = new wxButton(this, wxID_ANY, app_texts::kBrowseLoader);
    browse->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { OnBrowseLoader(); });

    auto* ok = new wxButton(this, wxID_OK, app_texts::kOk);
    auto* cancel = new wxButton(this, wxID_CANCEL, app_texts::kCancel);
    ok->SetBitmap(LoadPicture("ok.svg", kButtonPictureSize));
    cancel->SetBitmap(LoadPicture("cancel.svg", kButtonPictureSize));
    ok->SetDefault();

    auto* grid = new wxFlexGridSizer(2, wxSize(12, 10));
    grid->AddGrowableCol(1);
    grid->Add(new wxStaticText(this, wxID_ANY, app_texts::kPortLabel), 0, wxALIGN_CENTRE_VERTICAL);
    grid->Add(m_cboPort, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, app_texts::kBaudLabel), 0, wxALIGN_CENTRE_VERTICAL);
    grid->Add(m_cboBaud, 1, wxEXPAND);
    auto* loaderRow = new wxBoxSizer(wxHORIZONTAL);
    loaderRow->Add(m_ctlLoaderFile, 1, wxALIGN_CENTRE_VERTICAL);
    loaderRow->Add(browse, 0, wxLEFT | wxALIGN_CENTRE_VERTICAL, 8);
    grid->Add(new wxStaticText(this, wxID_ANY, app_texts::kLoaderFileLabel), 0, wxALIGN_CENTRE_VERTICAL);
    grid->Add(loaderRow, 1, wxEXPAND);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer();
    buttons->Add(ok, 0, wxRIGHT, 8);
    buttons->Add(cancel);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(grid, 0, wxALL | wxEXPAND, 16);
    sizer->Add(buttons, 0, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, 16);
    SetSizerAndFit(sizer);
    CentreOnParent();
}

int CSettingDlg::PortIndex(const SettingValues& current) {
    if (current.virtual_handset) return static_cast<int>(kComPortCount + m_ports.size());
    if (current.com_port >= 1 && current.com_port <= kComPortCount) return current.com_port - 1;
    // A port beyond the list (a --port device, COM9 and up) becomes an entry of its own.
    const std::string port =
        current.com_port > 0 ? wxString::Format("COM%d", current.com_port).utf8_string() : current.device;
    auto listed = std::find_if(m_ports.begin(), m_ports.end(),
                               [&](const SerialPort& candidate) { return candidate.path == port; });
    if (listed == m_ports.end())
        listed = m_ports.insert(m_ports.end(), {port, std::filesystem::path(port).filename().string()});
    return kComPortCount + static_cast<int>(listed - m_ports.begin());
}

bool CSettingDlg::IsVirtualHandset() const {
    return m_nPortSel == static_cast<int>(kComPortCount + m_ports.size() + 1);
}

std::string CSettingDlg::SelectedDevice() const {
    const int port = m_nPortSel - kComPortCount - 1;
    if (port < 0 || port >= static_cast<int>(m_ports.size())) return {};
    return m_ports[port].path;
}

void CSettingDlg::OnBrowseLoader() {
    const wxString file = m_prompts.OpenFile(app_texts::kLoaderFilter, wxEmptyString, wxEmptyString);
    if (file.empty()) return;
    m_strLoaderFile = file.utf8_string();
    ShowLoaderFile();
}

void CSettingDlg::ShowLoaderFile() {
    m_ctlLoaderFile->ChangeValue(m_strLoaderFile.empty() ? wxString(app_texts::kBuiltInLoader)
                                                         : wxString::FromUTF8(m_strLoaderFile));
}

void CSettingDlg::OnSelchangePort(wxCommandEvent& event) {
    m_nPortSel = event.GetSelection() + 1;
}

void CSettingDlg::OnSelchangeBaud(wxCommandEvent& event) {
    m_nBaudSel = event.GetSelection() + 1;
}

}  // namespace cantavo
