// The player dialog as the main window's lowest button and `cantavo --player` open it: modal, with our
// Information dialog behind its "About" entry.
#pragma once

#include <wx/string.h>

class wxWindow;

namespace cantavo {

void RunPlayerDialog(wxWindow* parent, const wxString& initial_file = wxString());

}  // namespace cantavo
