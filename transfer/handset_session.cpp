// The session's life: start-up, the window's commands, detection and the connection worker.
#include "transfer/handset_session.h"

#include <unistd.h>

#include <cstdlib>

#include "transfer/file_io.h"
#include "transfer/protocol.h"
#include "transfer/session_texts.h"
#include "transfer/text_format.h"

namespace cantavo {
namespace {

constexpr char kImageFileName[] = "sm.tmp";
constexpr char kWorkFileName[] = "smwork.tmp";

// $XDG_CACHE_HOME/cantavo, else ~/.cache/cantavo, else the system's temporary folder.
std::filesystem::path CacheFolder() {
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
        return std::filesystem::path(xdg) / "cantavo";
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".cache" / "cantavo";
    std::error_code ec;
    return std::filesystem::temp_directory_path(ec) / "cantavo";
}

}  // namespace

CHandsetSession::CHandsetSession(ISessionView& view) : m_view(view), m_loader(BuiltInLoaderTable()) {}

CHandsetSession::~CHandsetSession() {
    m_bCancel = true;
    WaitForWorker();
}

void CHandsetSession::Initialise(const std::filesystem::path& folder) {
    std::filesystem::path imageFolder = folder;
    if (access(folder.c_str(), W_OK) != 0) {
        imageFolder = CacheFolder();
        std::error_code ec;
        std::filesystem::create_directories(imageFolder, ec);
        m_view.LogMessage(Format(texts::kImageFolderFallback, imageFolder.c_str()));
    }
    m_strImageFile = imageFolder / kImageFileName;
    m_strWorkFile = imageFolder / kWorkFileName;
    m_bConnectStarted = 0;
    m_nSlotIndex = 0;
    m_nSlotMask = 1;
    DeleteImageFiles();
    ResetState();
}

int CHandsetSession::LoadLoaderFile(const std::filesystem::path& file) {
    std::string error;
    const auto table = ReadLoaderTableFile(file, error);
    if (!table) {
        m_view.LogMessage(Format(texts::kLoaderFileRejected, file.c_str(), error.c_str()));
        return 0;
    }
    m_loader = *table;
    return 1;
}

void CHandsetSession::DeleteImageFiles() {
    std::string error;
    for (const auto& file : {m_strImageFile, m_strWorkFile})
        if (!RemoveFile(file, error)) m_view.LogMessage(error);
}

void CHandsetSession::SetProgress(int percent) {
    if (percent == m_nBarPosition) return;
    m_nBarPosition = percent;
    m_view.SetProgress(percent);
}

double CHandsetSession::SecondsSince(Clock::time_point start) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count() / 1000.0;
}

void CHandsetSession::ResetState() {
    m_bPortOpen = 0;
    m_bTargetDetected = 0;
    m_nTargetType = 0;
    m_bConnected = false;
    m_view.SetTitle(texts::kTitleResting);
    m_nProgress = 0;
    m_nBarPosition = 0;
    m_view.SetProgress(0);
    m_view.DisableCommands();
    m_view.EnableConnect(true);
}

void CHandsetSession::CloseConnection() {
    m_serial.ClosePort();
    EndWorkerUse();
    ResetState();
    m_view.EnableConnect(true);
}

void CHandsetSession::SetDetection(bool running) {
    m_bDetecting = running;
    m_view.SetDetectionTimer(running);
}

void CHandsetSession::OnConnect() {
    if (IsWorkerRunning()) return;
    WaitForWorker();
    m_view.DisableCommands();
    m_view.EnableConnect(false);
    m_nBaudRate = protocol::kWorkingBaud;
    m_nByteSize = 8;
    m_nParity = 0;
    m_nStopBits = 0;
    if (m_bConnectStarted == 0) {
        SetDetection(true);
        m_bConnectStarted = 1;
        return;
    }
    if (m_view.Confirm(texts::kConfirmConnect, texts::kConfirmCaption)) {
        DeleteImageFiles();
        ResetState();
        m_view.EnableConnect(false);
        m_view.ShowSlotNames(SlotNames{});
        m_view.ClearSelectedFile();
        SetDetection(true);
        return;
    }
    // Cancel: back to what was usable before (all commands only while connected).
    if (IsConnected())
        m_view.EnableCommands();
    else
        m_view.EnableConnect(true);
}

void CHandsetSession::OnTimer(int id) {
    if (id != 0 || !m_bDetecting || IsWorkerRunning()) return;
    if (InitSerialPort(protocol::kDetectBaud) == 0) {
        // The port cannot be used: stop trying, but leave Connect usable so the user can try again.
        SetDetection(false);
        m_view.EnableConnect(true);
        return;
    }
    if (DetectTarget() == 0) {
        m_view.SetTitle(texts::kTitleResting);
        return;
    }
    m_bTargetDetected = 1;
    m_view.LogMessage(texts::kTargetDetected);
    SetDetection(false);
    WaitForWorker();
    m_bCancel = false;
    m_bWorkerRunning = true;
    m_worker = std::thread([this] {
        ConnectThreadProc();
        m_bWorkerRunning = false;
    });
}

void CHandsetSession::ConnectThreadProc() {
    if (DownloadLoader() == 0 || CompleteConnection() == 0) AbortConnection();
}

void CHandsetSession::EndWorkerUse() {
    m_bWorkerRunning = false;
}

void CHandsetSession::WaitForWorker() {
    if (m_worker.joinable()) m_worker.join();
}

void CHandsetSession::OnStop() {
    if (IsWorkerRunning()) return;
    WaitForWorker();
    SetDetection(false);
    CloseConnection();
    m_bConnectStarted = 1;
    m_view.EnableConnect(true);
    m_view.LogMessage(texts::kPortClosed);
}

void CHandsetSession::OnExit() {
    m_bCancel = true;
    WaitForWorker();
    if (m_bDetecting) SetDetection(false);
    SendByte(protocol::kLeave);
    m_view.SetTitle(texts::kTitleResting);
    // Closing drains, so the leave byte reaches the handset before the process ends.
    m_serial.ClosePort();
    m_bConnected = false;
}

}  // namespace cantavo
