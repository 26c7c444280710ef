// The notification box: shows one line and closes itself after a second.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

namespace cantavo {

class CNotifyDlg : public wxDialog {
public:
    static constexpr int kCloseAfterMs = 1000;

    explicit CNotifyDlg(wxWindow* parent = nullptr);

    // Shows m_strMessage; the box ends itself (Cancel) when its timer fires.
    int ShowModal() override;

    wxString m_strMessage;

private:
    void OnTimer(wxTimerEvent& event);

    wxTimer m_timer;
};

}  // namespace cantavo
