// The drive drop-down: each root with its name and an icon.
#pragma once

#include <wx/bmpcbox.h>

#include <vector>

#include "app/drive_roots.h"

namespace cantavo {

class CDriveComboBox : public wxBitmapComboBox {
public:
    CDriveComboBox(wxWindow* parent, int id);

    // Fills the list once; the number of entries, or -1 when it was filled already.
    int FillDrives(std::vector<DriveRoot> roots);

    const std::vector<DriveRoot>& Roots() const { return m_roots; }

private:
    std::vector<DriveRoot> m_roots;
};

}  // namespace cantavo
