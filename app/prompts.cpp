#include "app/prompts.h"

#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/window.h>

namespace cantavo {
namespace {

wxString RunFileDialog(const wxString& filter, const wxString& default_ext, const wxString& default_name,
                       long style) {
    wxFileDialog dialog(nullptr, wxFileSelectorPromptStr, wxEmptyString, default_name, filter, style);
    if (dialog.ShowModal() != wxID_OK) return wxEmptyString;
    wxString path = dialog.GetPath();
    // A typed name without an extension gets the default one, as the save dialog promises.
    if (!default_ext.empty() && (style & wxFD_SAVE) && !path.AfterLast('/').Contains("."))
        path += "." + default_ext;
    return path;
}

}  // namespace

bool CWxPrompts::Confirm(const wxString& text, const wxString& caption) {
    return wxMessageBox(text, caption, wxOK | wxCANCEL) == wxOK;
}

bool CWxPrompts::AskYesNo(const wxString& text, const wxString& caption) {
    return wxMessageBox(text, caption, wxYES_NO | wxNO_DEFAULT | wxICON_QUESTION) == wxYES;
}

void CWxPrompts::Message(const wxString& text, const wxString& caption, bool warning) {
    wxMessageBox(text, caption, wxOK | (warning ? wxICON_EXCLAMATION : 0));
}

wxString CWxPrompts::OpenFile(const wxString& filter, const wxString& default_ext,
                              const wxString& default_name) {
    return RunFileDialog(filter, default_ext, default_name, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
}

wxString CWxPrompts::SaveFile(const wxString& filter, const wxString& default_ext,
                              const wxString& default_name) {
    return RunFileDialog(filter, default_ext, default_name, wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
}

int CWxPrompts::ChooseFromMenu(wxWindow& window, wxMenu& menu) {
    return window.GetPopupMenuSelectionFromUser(menu);
}

}  // namespace cantavo
