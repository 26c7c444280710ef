#include "app/file_list_ctrl.h"

#include <wx/artprov.h>

#include <ctime>

#include "app/app_texts.h"
#include "app/folder_listing.h"
#include "host/local_time.h"

namespace cantavo {
namespace {

const wxSize kIconSize{16, 16};
enum Icon { kIconParent, kIconFolder, kIconFile };
constexpr int kNameWidth = 150;
constexpr int kSizeWidth = 80;
constexpr int kDateWidth = 140;

wxString FileCellText(const CFileItem& item, int column) {
    switch (column) {
        case kColumnName: {
            // A name that is not UTF-8 (from an old card, say) is still shown, byte for character.
            const wxString name = wxString::FromUTF8(item.name);
            return name.empty() && !item.name.empty() ? wxString(item.name.c_str(), wxConvISO8859_1) : name;
        }
        case kColumnSize:
            return wxString::Format("%u", static_cast<unsigned>(item.size));
        case kColumnDate: {
            const std::tm local = LocalTime(item.modified);
            char text[32];
            std::strftime(text, sizeof text, app_texts::kDateFormat, &local);
            return text;
        }
        default:
            return wxEmptyString;
    }
}

}  // namespace

CFileListCtrl::CFileListCtrl(wxWindow* parent, int id)
    : wxListCtrl(parent, id, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_VIRTUAL | wxLC_SINGLE_SEL),
      m_imlSmall(kIconSize.x, kIconSize.y, true, 3) {}

void CFileListCtrl::InitColumns() {
    m_imlSmall.Add(wxArtProvider::GetBitmap(wxART_GO_DIR_UP, wxART_LIST, kIconSize));
    m_imlSmall.Add(wxArtProvider::GetBitmap(wxART_FOLDER, wxART_LIST, kIconSize));
    m_imlSmall.Add(wxArtProvider::GetBitmap(wxART_NORMAL_FILE, wxART_LIST, kIconSize));
    SetImageList(&m_imlSmall, wxIMAGE_LIST_SMALL);
    InsertColumn(kColumnName, app_texts::kColumnFilename, wxLIST_FORMAT_LEFT, kNameWidth);
    InsertColumn(kColumnSize, app_texts::kColumnSize, wxLIST_FORMAT_RIGHT, kSizeWidth);
    InsertColumn(kColumnDate, app_texts::kColumnDate, wxLIST_FORMAT_LEFT, kDateWidth);
}

void CFileListCtrl::SetItems(std::vector<CFileItem> items) {
    m_items = std::move(items);
    SortBy(kColumnName);
}

void CFileListCtrl::SortBy(int column) {
    SortFileItems(m_items, column);
    SetItemCount(static_cast<long>(m_items.size()));
    Refresh();
}

long CFileListCtrl::FindRow(const wxString& name) const {
    const std::string wanted = name.utf8_string();
    for (std::size_t row = 0; row < m_items.size(); ++row)
        if (m_items[row].name == wanted) return static_cast<long>(row);
    return -1;
}

wxString CFileListCtrl::OnGetItemText(long item, long column) const {
    if (item < 0 || item >= static_cast<long>(m_items.size())) return wxEmptyString;
    return FileCellText(m_items[item], static_cast<int>(column));
}

int CFileListCtrl::OnGetItemImage(long item) const {
    if (item < 0 || item >= static_cast<long>(m_items.size())) return -1;
    const CFileItem& entry = m_items[item];
    if (entry.name == "..") return kIconParent;
    return entry.isDir ? kIconFolder : kIconFile;
}

}  // namespace cantavo
