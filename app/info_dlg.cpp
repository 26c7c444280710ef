#include "app/info_dlg.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "app/app_texts.h"
#include "app/skin.h"

namespace cantavo {
namespace {

constexpr int kIndent = 40;

// A captionless group of lines, indented as in the original layout.
wxSizer* LineGroup(wxWindow* parent, std::initializer_list<const char*> lines) {
    auto* group = new wxStaticBoxSizer(wxVERTICAL, parent);
    for (const char* line : lines)
        group->Add(new wxStaticText(group->GetStaticBox(), wxID_ANY, line), 0, wxLEFT | wxRIGHT | wxTOP,
                   kIndent / 4);
    group->AddSpacer(kIndent / 4);
    return group;
}

}  // namespace

CInfoDlg::CInfoDlg(wxWindow* parent) : wxDialog(parent, wxID_ANY, app_texts::kInfoTitle) {
    auto* closing = new wxBoxSizer(wxHORIZONTAL);
    closing->Add(new wxStaticBitmap(this, wxID_ANY, LoadPicture("info_logo.svg")), 0,
                 wxALIGN_CENTRE_VERTICAL);
    closing->Add(new wxStaticText(this, wxID_ANY, app_texts::kInfoClosing), 0,
                 wxLEFT | wxALIGN_CENTRE_VERTICAL, 10);
    auto* close = new wxButton(this, wxID_CANCEL, app_texts::kClose);
    close->SetDefault();
    SetEscapeId(wxID_CANCEL);
    SetAffirmativeId(wxID_CANCEL);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(LineGroup(this, {app_texts::kInfoSystems, app_texts::kInfoNotOfficial}), 0, wxALL | wxEXPAND,
               10);
    sizer->Add(LineGroup(this, {app_texts::kInfoMail, app_texts::kInfoPhone}), 0, wxLEFT | wxRIGHT | wxEXPAND,
               10);
    sizer->Add(closing, 0, wxALL | wxALIGN_CENTRE_HORIZONTAL, 14);
    sizer->Add(close, 0, wxBOTTOM | wxALIGN_CENTRE_HORIZONTAL, 12);
    SetSizerAndFit(sizer);
    CentreOnParent();
}

}  // namespace cantavo
