// Backup files: byte copies of the working image, saved and restored without touching the handset.
#include "host/file_io.h"
#include "transfer/handset_session.h"
#include "transfer/session_texts.h"
#include "transfer/text_format.h"

namespace cantavo {

void CHandsetSession::OnSaveBackup() {
    if (IsWorkerRunning()) return;
    m_view.LogMessage(texts::kBackupSaving);
    const auto file = m_view.AskBackupFile(BackupDialog::kSave);
    if (!file) {
        m_view.LogMessage(texts::kBackupSaveCancelled);
        return;
    }
    SaveBackupCopy(*file);
}

void CHandsetSession::OnLoadBackup() {
    if (IsWorkerRunning()) return;
    m_view.LogMessage(texts::kBackupRestoring);
    const auto file = m_view.AskBackupFile(BackupDialog::kRestore);
    if (!file) {
        m_view.LogMessage(texts::kBackupRestoreCancelled);
        return;
    }
    RestoreBackupCopy(*file);
}

// The notification first, then the log, as every failure the session shows in both.
void CHandsetSession::ReportFileError(const std::string& error) {
    m_view.ShowNotification(error);
    m_view.LogMessage(error);
}

int CHandsetSession::SaveBackupCopy(const std::filesystem::path& backup) {
    std::string error;
    const auto image = ReadFileBytes(m_workFile, error);
    // Written beside and renamed over, so a failed save leaves no half-written backup.
    if (!image || !WriteFileBytes(backup, *image, error)) {
        ReportFileError(error);
        return 0;
    }
    m_view.ShowNotification(texts::kBackupSaved);
    m_view.LogMessage(texts::kBackupSaved);
    return 1;
}

int CHandsetSession::RestoreBackupCopy(const std::filesystem::path& backup) {
    std::string error;
    const auto work = ReadFileBytes(m_workFile, error);
    const auto bytes = work ? ReadFileBytes(backup, error) : std::nullopt;
    if (!bytes) {
        ReportFileError(error);
        return 0;
    }
    // A short backup would leave a working image mixed from two sources: refuse it.
    if (bytes->size() < work->size()) {
        ReportFileError(Format(texts::kBackupTooShort, backup.c_str(),
                               static_cast<unsigned long long>(bytes->size()),
                               static_cast<unsigned long long>(work->size())));
        return 0;
    }
    // The working image keeps its length; the new one replaces it whole or not at all.
    if (!WriteFileBytes(m_workFile, std::span(*bytes).first(work->size()), error)) {
        ReportFileError(error);
        return 0;
    }
    m_view.ShowNotification(texts::kBackupRestored);
    m_view.LogMessage(texts::kBackupRestored);
    ShowSlotNames();
    return 1;
}

}  // namespace cantavo
