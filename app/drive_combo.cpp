#include "app/drive_combo.h"

#include <wx/artprov.h>

namespace cantavo {
namespace {

const wxSize kIconSize{16, 16};

wxBitmap DriveIcon(DriveKind kind) {
    switch (kind) {
        case DriveKind::kHome:
            return wxArtProvider::GetBitmap(wxART_GO_HOME, wxART_OTHER, kIconSize);
        case DriveKind::kRoot:
            return wxArtProvider::GetBitmap(wxART_HARDDISK, wxART_OTHER, kIconSize);
        case DriveKind::kFolder:
            return wxArtProvider::GetBitmap(wxART_FOLDER, wxART_OTHER, kIconSize);
        case DriveKind::kVolume:
            break;
    }
    return wxArtProvider::GetBitmap(wxART_REMOVABLE, wxART_OTHER, kIconSize);
}

}  // namespace

CDriveComboBox::CDriveComboBox(wxWindow* parent, int id)
    : wxBitmapComboBox(parent, id, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0, nullptr,
                       wxCB_READONLY) {}

int CDriveComboBox::FillDrives(std::vector<DriveRoot> roots) {
    if (!m_roots.empty()) return -1;
    m_roots = std::move(roots);
    for (const auto& root : m_roots) Append(wxString::FromUTF8(root.DisplayName()), DriveIcon(root.kind));
    return static_cast<int>(m_roots.size());
}

}  // namespace cantavo
