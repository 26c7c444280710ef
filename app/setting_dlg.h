// The Setting dialog: picks the port the window talks to the handset through. The baud list is shown for
// information; every connection runs at the fixed speeds.
#pragma once

#include <wx/dialog.h>

#include <string>
#include <vector>

#include "serial/serial_ports.h"

class wxChoice;
class wxCommandEvent;

class CSettingDlg : public wxDialog {
public:
    static constexpr int kComPortCount = 8;

    // `ports`: serial ports present, listed after COM1-COM8; a "Virtual handset" entry follows them.
    CSettingDlg(wxWindow* parent, std::vector<cantavo::SerialPort> ports);

    // Chosen entries, list index + 1 (1 for COM1, 1 for "115200").
    int m_nPortSel = 1;
    int m_nBaudSel = 1;

    // What the chosen port entry stands for.
    bool IsComPort() const { return m_nPortSel <= kComPortCount; }
    bool IsVirtualHandset() const;
    std::string SelectedDevice() const;  // a port's path; empty for COMn and the virtual handset

    wxChoice* PortList() const { return m_cboPort; }
    wxChoice* BaudList() const { return m_cboBaud; }

private:
    void OnSelchangePort(wxCommandEvent& event);
    void OnSelchangeBaud(wxCommandEvent& event);

    std::vector<cantavo::SerialPort> m_ports;
    wxChoice* m_cboBaud = nullptr;
    wxChoice* m_cboPort = nullptr;
};
