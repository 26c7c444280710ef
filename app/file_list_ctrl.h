// The browser's list: a virtual report list over the rows of one folder, texts made on demand.
#pragma once

#include <wx/imaglist.h>
#include <wx/listctrl.h>

#include <vector>

#include "app/file_item.h"

namespace cantavo {

class CFileListCtrl : public wxListCtrl {
public:
    CFileListCtrl(wxWindow* parent, int id);

    // The image list and the three columns.
    void InitColumns();
    // Shows `items` sorted by column 0.
    void SetItems(std::vector<CFileItem> items);
    void SortBy(int column);

    const std::vector<CFileItem>& Items() const { return m_items; }
    // Row of the entry named `name`, -1 when there is none.
    long FindRow(const wxString& name) const;

private:
    // Name, "%u" size (folders too), "%Y-%m-%d %H:%M" local date.
    wxString OnGetItemText(long item, long column) const override;
    int OnGetItemImage(long item) const override;

    std::vector<CFileItem> m_items;
    wxImageList m_imlSmall;
};

}  // namespace cantavo
