// The main window's file browser: drives, folder listing, sorting, and choosing a file to insert.
#include <wx/stattext.h>

#include "app/app_texts.h"
#include "app/drive_combo.h"
#include "app/file_list_ctrl.h"
#include "app/folder_listing.h"
#include "app/manager_dlg.h"
#include "host/folder_entries.h"

namespace cantavo {

int CManagerDlg::FillFileList(const wxString& folder) {
    m_strCurDir = folder;
    auto items = ListFolder(folder.utf8_string());
    if (!items) return -1;
    m_ctlFileList->SetItems(std::move(*items));
    return static_cast<int>(m_ctlFileList->Items().size());
}

void CManagerDlg::OnColumnClick(int column) {
    m_ctlFileList->SortBy(column);
}

void CManagerDlg::OnDblclkFileList(long row) {
    const auto& items = m_ctlFileList->Items();
    if (row < 0 || row >= static_cast<long>(items.size())) return;
    const std::string name = items[row].name;
    const std::string folder = m_strCurDir.utf8_string();
    const std::string target = name == ".." ? ParentFolder(folder) : JoinPath(folder, name);
    if (IsReadableFolder(target)) {
        m_ctlFileName->SetLabel(wxEmptyString);
        FillFileList(wxString::FromUTF8(target));
        return;
    }
    ChooseFile(target);
    m_ctlFileName->SetLabel(m_ctlFileList->GetItemText(row));
    InsertChosenFile(target);
}

void CManagerDlg::OnSelchangeDrives() {
    const int index = m_ctlDrives->GetSelection();
    if (!IsDriveReady(index)) {
        m_ctlDrives->SetSelection(m_nCurDrive);
        return;
    }
    m_nCurDrive = index;
    FillFileList(wxString::FromUTF8(m_ctlDrives->Roots()[index].path));
}

bool CManagerDlg::IsDriveReady(int index) {
    const auto& roots = m_ctlDrives->Roots();
    if (index < 0 || index >= static_cast<int>(roots.size())) return false;
    if (IsReadableFolder(roots[index].path)) return true;
    m_prompts.Message(wxString::Format(app_texts::kDriveNotReady, wxString::FromUTF8(roots[index].path)),
                      app_texts::kErrorCaption, true);
    return false;
}

void CManagerDlg::OnBrowse() {
    const wxString path = m_prompts.OpenFile(InsertFilter(), wxEmptyString, wxEmptyString);
    if (path.empty()) return;
    ChooseFile(path.utf8_string());
    m_ctlFileName->SetLabel(wxString::FromUTF8(m_session->SelectedTitle()));
    FillFileList(wxString::FromUTF8(ParentFolder(path.utf8_string())));
    m_nCurDrive = FindDriveIndex(m_ctlDrives->Roots(), path.utf8_string());
    m_ctlDrives->SetSelection(m_nCurDrive);
    InsertChosenFile(path.utf8_string());
}

void CManagerDlg::ChooseFile(const std::string& path) {
    m_session->SelectSourceFile(std::filesystem::path(path));
}

}  // namespace cantavo
