// The window's side of the handset session: every call the session makes reaches the window on the UI thread.
// Calls from the connection worker are queued with CallAfter; a notification asked for by the worker blocks
// the worker until the box has closed on the UI thread, or until the window starts closing.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "transfer/session_view.h"

namespace cantavo {

class CManagerDlg;
class CPrompts;

class CManagerView : public ISessionView {
public:
    CManagerView(CManagerDlg& window, CPrompts& prompts);

    // From now on the worker waits for nothing shown on the window (the session is about to join it).
    void StopWaiting();
    void SetMinimised(bool minimised) { m_bMinimised = minimised; }

    void LogMessage(const std::string& text) override;
    void ShowNotification(const std::string& text) override;
    void ShowMessageBox(const std::string& text) override;
    bool Confirm(const std::string& text, const std::string& caption) override;
    bool Ask(const std::string& question) override;
    std::optional<std::filesystem::path> AskBackupFile(BackupDialog dialog) override;
    void SetTitle(const std::string& text) override;
    void SetProgress(int percent) override;
    void EnableCommands() override;
    void DisableCommands() override;
    void EnableConnect(bool enabled) override;
    void EnableStop(bool enabled) override;
    void ShowSlotNames(const SlotNames& names) override;
    void ClearSelectedFile() override;
    bool IsMinimised() override { return m_bMinimised; }
    void SetDetectionTimer(bool running) override;

private:
    // What a waiting worker and the UI thread share; it outlives the view if a queued call runs late.
    struct Waiting {
        std::mutex mutex;
        std::condition_variable done;
        bool closing = false;
    };

    // Runs `action` now on the UI thread, or queues it there from another thread.
    void OnUiThread(std::function<void()> action);

    CManagerDlg& m_window;
    CPrompts& m_prompts;
    std::atomic<bool> m_bMinimised{false};
    std::shared_ptr<Waiting> m_waiting = std::make_shared<Waiting>();
};

}  // namespace cantavo
