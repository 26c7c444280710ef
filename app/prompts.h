// The modal questions the window asks. Tests replace them, since a modal box would wait for a person.
#pragma once

#include <wx/string.h>

class wxMenu;
class wxWindow;

namespace cantavo {

class CPrompts {
public:
    virtual ~CPrompts() = default;

    // OK/Cancel question; true for OK.
    virtual bool Confirm(const wxString& text, const wxString& caption) = 0;
    // Yes/No question whose default is No; true for Yes.
    virtual bool AskYesNo(const wxString& text, const wxString& caption) = 0;
    // A message with an OK button (exclamation icon when `warning`).
    virtual void Message(const wxString& text, const wxString& caption, bool warning) = 0;
    // File dialogs: the chosen path, or an empty string on Cancel. `filter` is "Text|*.ext".
    virtual wxString OpenFile(const wxString& filter, const wxString& default_ext,
                              const wxString& default_name) = 0;
    virtual wxString SaveFile(const wxString& filter, const wxString& default_ext,
                              const wxString& default_name) = 0;
    // Pops `menu` up at the mouse over `window`: the chosen item's id, wxID_NONE when it is dismissed.
    virtual int ChooseFromMenu(wxWindow& window, wxMenu& menu) = 0;
};

// The real boxes and file dialogs.
class CWxPrompts : public CPrompts {
public:
    bool Confirm(const wxString& text, const wxString& caption) override;
    bool AskYesNo(const wxString& text, const wxString& caption) override;
    void Message(const wxString& text, const wxString& caption, bool warning) override;
    wxString OpenFile(const wxString& filter, const wxString& default_ext,
                      const wxString& default_name) override;
    wxString SaveFile(const wxString& filter, const wxString& default_ext,
                      const wxString& default_name) override;
    int ChooseFromMenu(wxWindow& window, wxMenu& menu) override;
};

}  // namespace cantavo
