#pragma once
// ISessionView: everything the handset session shows. The window implements it; so do cantavo-cli and the
// tests.
//
// Threads: the session calls the view from the thread running the operation - the window's thread for
// commands and detection ticks, the connection worker for the loader download and the steps after it
// (LogMessage, ShowNotification, SetTitle, SetProgress, EnableCommands, EnableConnect, ShowSlotNames,
// IsMinimised). A GUI marshals worker calls to its UI thread. ShowNotification blocks its caller until the
// box has closed; when the window is going away it must stop waiting, because the session joins the worker
// when it exits. Confirm, Ask, AskBackupFile, EnableStop and SetDetectionTimer are called on the window's
// thread only.

#include <array>
#include <filesystem>
#include <optional>
#include <string>

#include "transfer/user_area.h"

namespace cantavo {

struct SlotName {
    std::string title;    // UTF-8
    bool erased = false;  // the title bytes are all 0xFF: nothing was stored since the flash was erased
};
using SlotNames = std::array<SlotName, kMelodySlotCount>;  // FM 1-8, then ADPCM 1-4

enum class BackupDialog { kSave, kRestore };

class ISessionView {
public:
    virtual ~ISessionView() = default;

    virtual void LogMessage(const std::string& text) = 0;  // newest first, at most 100 lines
    // The self-closing box; returns once it has closed (about 1 s).
    virtual void ShowNotification(const std::string& text) = 0;
    virtual void ShowMessageBox(const std::string& text) = 0;  // modal box with OK ("Fail!!")
    // OK/Cancel question ("Do you want to connect?", caption "Confirm"): true for OK.
    virtual bool Confirm(const std::string& text, const std::string& caption) = 0;
    // Yes/No question whose default is No: true for Yes.
    virtual bool Ask(const std::string& question) = 0;
    // The backup file dialog (name, extension, filter in transfer/session_texts.h); nullopt on Cancel.
    virtual std::optional<std::filesystem::path> AskBackupFile(BackupDialog dialog) = 0;

    virtual void SetTitle(const std::string& text) = 0;
    virtual void SetProgress(int percent) = 0;  // 0..100
    virtual void EnableCommands() = 0;          // the enable set
    virtual void DisableCommands() = 0;         // the disable set (enable set and Setting)
    virtual void EnableConnect(bool enabled) = 0;
    virtual void EnableStop(bool enabled) = 0;               // Stop alone, usable while detection waits
    virtual void ShowSlotNames(const SlotNames& names) = 0;  // all twelve boxes; empty titles empty them
    virtual void ClearSelectedFile() = 0;  // the chosen-file label, emptied by a new Connect
    virtual bool IsMinimised() = 0;        // may be asked from the worker thread
    // Detection timer 0 (1000 ms): while running, each tick is forwarded to CHandsetSession::OnTimer(0).
    virtual void SetDetectionTimer(bool running) = 0;
};

}  // namespace cantavo
