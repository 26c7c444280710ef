// The Information dialog: which systems the tool is for, that it is no official release, and how to reach us.
#pragma once

#include <wx/dialog.h>

namespace cantavo {

class CInfoDlg : public wxDialog {
public:
    explicit CInfoDlg(wxWindow* parent = nullptr);
};

}  // namespace cantavo
