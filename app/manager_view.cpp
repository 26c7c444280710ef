#include "app/manager_view.h"

#include <wx/thread.h>

#include "app/manager_dlg.h"
#include "app/prompts.h"
#include "transfer/session_texts.h"

namespace cantavo {

CManagerView::CManagerView(CManagerDlg& window, CPrompts& prompts) : m_window(window), m_prompts(prompts) {}

void CManagerView::StopWaiting() {
    std::lock_guard lock(m_waiting->mutex);
    m_waiting->closing = true;
    m_waiting->done.notify_all();
}

void CManagerView::OnUiThread(std::function<void()> action) {
    if (wxThread::IsMain())
        action();
    else
        m_window.CallAfter(std::move(action));
}

void CManagerView::LogMessage(const std::string& text) {
    OnUiThread([this, line = wxString::FromUTF8(text)] { m_window.LogMessage(line); });
}

void CManagerView::ShowNotification(const std::string& text) {
    const wxString message = wxString::FromUTF8(text);
    if (wxThread::IsMain()) {
        m_window.ShowNotification(message);
        return;
    }
    auto closed = std::make_shared<bool>(false);
    std::shared_ptr<Waiting> waiting = m_waiting;
    m_window.CallAfter([this, message, closed, waiting] {
        m_window.ShowNotification(message);
        std::lock_guard lock(waiting->mutex);
        *closed = true;
        waiting->done.notify_all();
    });
    std::unique_lock lock(waiting->mutex);
    waiting->done.wait(lock, [&] { return *closed || waiting->closing; });
}

void CManagerView::ShowMessageBox(const std::string& text) {
    OnUiThread(
        [this, message = wxString::FromUTF8(text)] { m_prompts.Message(message, wxEmptyString, false); });
}

bool CManagerView::Confirm(const std::string& text, const std::string& caption) {
    return m_prompts.Confirm(wxString::FromUTF8(text), wxString::FromUTF8(caption));
}

bool CManagerView::Ask(const std::string& question) {
    return m_prompts.AskYesNo(wxString::FromUTF8(question), texts::kConfirmCaption);
}

std::optional<std::filesystem::path> CManagerView::AskBackupFile(BackupDialog dialog) {
    using namespace texts;
    const wxString path = dialog == BackupDialog::kSave
                              ? m_prompts.SaveFile(kBackupFilter, kBackupExtension, kBackupDefaultName)
                              : m_prompts.OpenFile(kBackupFilter, kBackupExtension, kBackupDefaultName);
    if (path.empty()) return std::nullopt;
    return std::filesystem::path(path.utf8_string());
}

void CManagerView::SetTitle(const std::string& text) {
    OnUiThread([this, title = wxString::FromUTF8(text)] { m_window.SetTitleText(title); });
}

void CManagerView::SetProgress(int percent) {
    OnUiThread([this, percent] { m_window.SetProgress(percent); });
}

void CManagerView::EnableCommands() {
    OnUiThread([this] { m_window.EnableCommands(); });
}

void CManagerView::DisableCommands() {
    OnUiThread([this] { m_window.DisableCommands(); });
}

void CManagerView::EnableConnect(bool enabled) {
    OnUiThread([this, enabled] { m_window.EnableConnect(enabled); });
}

void CManagerView::EnableStop(bool enabled) {
    OnUiThread([this, enabled] { m_window.EnableStop(enabled); });
}

void CManagerView::ShowSlotNames(const SlotNames& names) {
    OnUiThread([this, names] { m_window.ShowSlotNames(names); });
}

void CManagerView::ClearSelectedFile() {
    OnUiThread([this] { m_window.ClearSelectedFile(); });
}

void CManagerView::SetDetectionTimer(bool running) {
    OnUiThread([this, running] { m_window.SetDetectionTimer(running); });
}

}  // namespace cantavo
