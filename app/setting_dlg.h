// The Setting dialog: picks the port the window talks to the handset through, and the handset's loader file.
// The baud list is shown for information; every connection runs at the fixed speeds.
#pragma once

#include <wx/dialog.h>

#include <string>
#include <vector>

#include "serial/serial_ports.h"

class wxChoice;
class wxCommandEvent;
class wxTextCtrl;

namespace cantavo {

class CPrompts;

// What the dialog opens showing: the window's settings in use.
struct SettingValues {
    int com_port = 1;              // the COMn in use; 0 when a device is
    std::string device;            // the device in use when com_port is 0
    bool virtual_handset = false;  // the device is the virtual handset's
    std::string loader_file;       // empty: the built-in placeholder
};

class CSettingDlg : public wxDialog {
public:
    static constexpr int kComPortCount = 8;

    // `ports`: serial ports present, listed after COM1-COM8 (a port in use that is none of them is added); a
    // "Virtual handset" entry follows them. Browse asks `prompts` for the loader file.
    CSettingDlg(wxWindow* parent, std::vector<SerialPort> ports, const SettingValues& current,
                CPrompts& prompts);

    // Chosen entries, list index + 1 (1 for COM1, 1 for "115200").
    int m_nPortSel = 1;
    int m_nBaudSel = 1;

    // What the chosen port entry stands for.
    bool IsComPort() const { return m_nPortSel <= kComPortCount; }
    bool IsVirtualHandset() const;
    std::string SelectedDevice() const;  // a port's path; empty for COMn and the virtual handset
    const std::string& LoaderFile() const { return m_strLoaderFile; }  // empty: none chosen

    void OnBrowseLoader();

    wxChoice* PortList() const { return m_cboPort; }
    wxChoice* BaudList() const { return m_cboBaud; }
    wxTextCtrl* LoaderFileBox() const { return m_ctlLoaderFile; }

private:
    void OnSelchangePort(wxCommandEvent& event);
    void OnSelchangeBaud(wxCommandEvent& event);
    int PortIndex(const SettingValues& current);  // adds a device in use that is not listed
    void ShowLoaderFile();

    CPrompts& m_prompts;
    std::vector<SerialPort> m_ports;
    std::string m_strLoaderFile;
    wxChoice* m_cboBaud = nullptr;
    wxChoice* m_cboPort = nullptr;
    wxTextCtrl* m_ctlLoaderFile = nullptr;
};

}  // namespace cantavo
