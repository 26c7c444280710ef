#pragma once
// A session view that records what the session shows; safe to call from the connection worker.

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "transfer/session_view.h"

namespace cantavo::testing {

class CRecordingView : public ISessionView {
public:
    void LogMessage(const std::string& text) override { Add(m_logs, text); }
    void ShowNotification(const std::string& text) override { Add(m_notifications, text); }
    void ShowMessageBox(const std::string& text) override { Add(m_messageBoxes, text); }
    bool Confirm(const std::string&, const std::string&) override { return confirmAnswer; }
    bool Ask(const std::string& question) override {
        Add(m_questions, question);
        return askAnswer;
    }
    std::optional<std::filesystem::path> AskBackupFile(BackupDialog) override { return backupFile; }
    void SetTitle(const std::string& text) override { Add(m_titles, text); }
    void SetProgress(int percent) override {
        const std::lock_guard lock(m_mutex);
        m_progress.push_back(percent);
    }
    void EnableCommands() override {
        Set(m_commandsEnabled, true);
        Set(m_stopEnabled, true);
        if (onEnable) onEnable();
    }
    void DisableCommands() override {
        Set(m_commandsEnabled, false);
        Set(m_stopEnabled, false);
    }
    void EnableConnect(bool enabled) override {
        Set(m_connectEnabled, enabled);
        if (enabled && onEnable) onEnable();
    }
    void EnableStop(bool enabled) override { Set(m_stopEnabled, enabled); }
    void ShowSlotNames(const SlotNames& names) override {
        const std::lock_guard lock(m_mutex);
        m_names = names;
    }
    void ClearSelectedFile() override {}
    bool IsMinimised() override { return false; }
    void SetDetectionTimer(bool running) override { Set(m_timerRunning, running); }

    std::vector<std::string> Logs() const { return Get(m_logs); }
    std::vector<std::string> Notifications() const { return Get(m_notifications); }
    std::vector<std::string> MessageBoxes() const { return Get(m_messageBoxes); }
    std::vector<std::string> Questions() const { return Get(m_questions); }
    std::vector<std::string> Titles() const { return Get(m_titles); }
    std::vector<int> Progress() const { return Get(m_progress); }
    SlotNames Names() const { return Get(m_names); }
    bool TimerRunning() const { return Get(m_timerRunning); }
    bool CommandsEnabled() const { return Get(m_commandsEnabled); }
    bool ConnectEnabled() const { return Get(m_connectEnabled); }
    bool StopEnabled() const { return Get(m_stopEnabled); }
    bool Logged(const std::string& text) const { return Contains(m_logs, text); }
    bool Notified(const std::string& text) const { return Contains(m_notifications, text); }
    bool LoggedStartingWith(const std::string& prefix) const {
        const std::lock_guard lock(m_mutex);
        return std::any_of(m_logs.begin(), m_logs.end(),
                           [&](const auto& line) { return line.starts_with(prefix); });
    }
    void Clear() {
        const std::lock_guard lock(m_mutex);
        m_logs.clear();
        m_notifications.clear();
        m_messageBoxes.clear();
        m_questions.clear();
        m_titles.clear();
        m_progress.clear();
    }

    bool confirmAnswer = true;
    bool askAnswer = false;
    std::function<void()> onEnable;  // runs on the caller's thread whenever commands or Connect are enabled
    std::optional<std::filesystem::path> backupFile;

private:
    template <typename T>
    void Add(std::vector<T>& list, const T& value) {
        const std::lock_guard lock(m_mutex);
        list.push_back(value);
    }
    template <typename T>
    void Set(T& field, const T& value) {
        const std::lock_guard lock(m_mutex);
        field = value;
    }
    template <typename T>
    T Get(const T& field) const {
        const std::lock_guard lock(m_mutex);
        return field;
    }
    bool Contains(const std::vector<std::string>& list, const std::string& text) const {
        const std::lock_guard lock(m_mutex);
        return std::find(list.begin(), list.end(), text) != list.end();
    }

    mutable std::mutex m_mutex;
    std::vector<std::string> m_logs, m_notifications, m_messageBoxes, m_questions, m_titles;
    std::vector<int> m_progress;
    SlotNames m_names;
    bool m_timerRunning = false, m_commandsEnabled = false, m_connectEnabled = false, m_stopEnabled = false;
};

}  // namespace cantavo::testing
