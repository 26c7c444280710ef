#pragma once
// The session view of cantavo-cli: log lines on stderr as the session words them, a progress bar on stderr
// when it is a terminal. It asks nobody: Connect's question is answered OK, a Yes/No question (a file that
// is not SMAF) with the answer given on the command line (--force).

#include <filesystem>
#include <mutex>
#include <optional>
#include <string>

#include "transfer/session_view.h"

namespace cantavo::cli {

class CCliView : public ISessionView {
public:
    explicit CCliView(bool progressBar) : m_progressBar(progressBar) {}

    // The file the next backup dialog "chooses".
    void SetBackupFile(std::filesystem::path file) { m_backupFile = std::move(file); }
    // The answer to Yes/No questions: Yes with --force.
    void SetForce(bool force) { m_force = force; }
    bool DetectionTimerRunning() const { return m_timerRunning; }
    SlotNames Names() const;
    void FinishProgress();

    void LogMessage(const std::string& text) override;
    void ShowNotification(const std::string& text) override;
    void ShowMessageBox(const std::string& text) override { ShowNotification(text); }
    bool Confirm(const std::string&, const std::string&) override { return true; }
    bool Ask(const std::string& question) override;
    std::optional<std::filesystem::path> AskBackupFile(BackupDialog) override { return m_backupFile; }
    void SetTitle(const std::string& text) override;
    void SetProgress(int percent) override;
    void EnableCommands() override {}
    void DisableCommands() override {}
    void EnableConnect(bool) override {}
    void EnableStop(bool) override {}
    void ShowSlotNames(const SlotNames& names) override;
    void ClearSelectedFile() override {}
    bool IsMinimised() override { return false; }
    void SetDetectionTimer(bool running) override { m_timerRunning = running; }

private:
    void DrawBar();
    void ClearBar();

    const bool m_progressBar;
    mutable std::mutex m_mutex;  // the connection worker reports too
    std::optional<std::filesystem::path> m_backupFile;
    bool m_force = false;
    bool m_timerRunning = false;
    SlotNames m_names;
    std::string m_title;
    std::string m_lastNotification;
    int m_percent = 0;
    bool m_barShown = false;
};

}  // namespace cantavo::cli
