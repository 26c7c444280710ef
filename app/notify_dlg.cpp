#include "app/notify_dlg.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/app_texts.h"
#include "app/control_ids.h"

namespace cantavo {
namespace {

constexpr int kTimerId = 0;
constexpr int kMinTextWidth = 260;

}  // namespace

CNotifyDlg::CNotifyDlg(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, app_texts::kNotifyTitle, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSTAY_ON_TOP),
      m_timer(this, kTimerId) {
    Bind(wxEVT_TIMER, &CNotifyDlg::OnTimer, this);
}

int CNotifyDlg::ShowModal() {
    auto* text = new wxStaticText(this, ids::kNotifyText, m_strMessage, wxDefaultPosition, wxDefaultSize,
                                  wxALIGN_CENTRE_HORIZONTAL);
    text->SetMinSize(wxSize(std::max(kMinTextWidth, text->GetBestSize().x), -1));
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(text, 1, wxALL | wxEXPAND, 24);
    SetSizerAndFit(sizer);
    CentreOnScreen();
    m_timer.StartOnce(kCloseAfterMs);
    return wxDialog::ShowModal();
}

void CNotifyDlg::OnTimer(wxTimerEvent& event) {
    if (event.GetId() == kTimerId && IsModal()) EndModal(wxID_CANCEL);
}

}  // namespace cantavo
