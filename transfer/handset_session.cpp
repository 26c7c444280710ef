// The session's life: start-up, the window's commands, detection and the connection worker.
#include "transfer/handset_session.h"

#include "host/file_io.h"
#include "serial/port_name.h"
#include "serial/serial_ports.h"
#include "transfer/protocol.h"
#include "transfer/session_texts.h"
#include "transfer/text_format.h"

namespace cantavo {
namespace {

constexpr char kImageFileName[] = "sm.tmp";
constexpr char kWorkFileName[] = "smwork.tmp";

}  // namespace

CHandsetSession::CHandsetSession(ISessionView& view)
    : CHandsetSession(view, std::make_unique<CSerialComm>()) {}

CHandsetSession::CHandsetSession(ISessionView& view, std::unique_ptr<ISerialPort> port)
    : m_view(view), m_port(std::move(port)), m_serial(*m_port), m_loader(BuiltInLoaderTable()) {}

CHandsetSession::~CHandsetSession() {
    m_bCancel = true;
    WaitForWorker();
}

void CHandsetSession::Initialise(const std::filesystem::path& folder) {
    m_folderLock.Release();
    m_imageFolder = folder;
    m_imageFile = folder / kImageFileName;
    m_workFile = folder / kWorkFileName;
    m_bConnectStarted = 0;
    m_nSlotIndex = 0;
    m_nSlotMask = 1;
    TakeImageFolder();
    ResetState();
}

bool CHandsetSession::TakeImageFolder() {
    if (m_folderLock.Held()) return true;
    std::string error;
    switch (m_folderLock.Acquire(m_imageFolder, error)) {
        case LockResult::kHeld:
            DeleteImageFiles();
            return true;
        case LockResult::kBusy:
            m_view.LogMessage(Format(texts::kImageFolderBusy, m_imageFolder.c_str()));
            return false;
        case LockResult::kFailed:
            m_view.LogMessage(error);
            return false;
    }
    return false;
}

void CHandsetSession::SetPortName(const std::string& name) {
    const std::optional<int> number = ComPortNumber(name);
    SetPortDevice(number ? std::string() : name);
    if (number) SetPort(*number);
}

std::string CHandsetSession::PortDevicePath() const {
    return m_strPortDevice.empty() ? DeviceForPort(m_portMap, static_cast<uint16_t>(m_nPort))
                                   : m_strPortDevice;
}

int CHandsetSession::LoadLoaderFile(const std::filesystem::path& file) {
    std::string error;
    const auto table = ReadLoaderFile(file, error);
    if (!table) {
        m_view.LogMessage(Format(texts::kLoaderFileRejected, error.c_str()));
        return 0;
    }
    m_loader = *table;
    return 1;
}

bool CHandsetSession::LoaderAllowedOnPort() const {
    return MayDownloadLoader(IsPlaceholderLoader(m_loader), IsPseudoTerminal(PortDevicePath()));
}

void CHandsetSession::DeleteImageFiles() {
    std::string error;
    for (const auto& file : {m_imageFile, m_workFile})
        if (!RemoveFile(file, error)) m_view.LogMessage(error);
}

void CHandsetSession::SetProgress(int percent) {
    if (percent == m_nBarPosition) return;
    m_nBarPosition = percent;
    m_view.SetProgress(percent);
}

double CHandsetSession::SecondsSince(Clock::time_point start) const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Now() - start).count() / 1000.0;
}

int CHandsetSession::MillisecondsUntil(Clock::time_point deadline) const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Now()).count();
    return static_cast<int>(std::max<int64_t>(left, 0));
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
    m_view.EnableStop(running);
}

void CHandsetSession::StartDetection() {
    m_nDetectAttempts = 0;
    m_view.LogMessage(Format(texts::kWaitingForHandset, PortDevicePath().c_str()));
    SetDetection(true);
}

void CHandsetSession::OnConnect() {
    if (IsWorkerRunning()) return;
    // Refused before anything changes or the port is opened.
    if (!LoaderAllowedOnPort()) {
        m_view.LogMessage(texts::kNoLoader);
        return;
    }
    if (!TakeImageFolder()) return;
    WaitForWorker();
    m_view.DisableCommands();
    m_view.EnableConnect(false);
    m_nBaudRate = protocol::kWorkingBaud;
    m_nByteSize = 8;
    m_nParity = 0;
    m_nStopBits = 0;
    if (m_bConnectStarted == 0) {
        StartDetection();
        m_bConnectStarted = 1;
        return;
    }
    if (m_view.Confirm(texts::kConfirmConnect, texts::kConfirmCaption)) {
        DeleteImageFiles();
        ResetState();
        m_view.EnableConnect(false);
        m_view.ShowSlotNames(SlotNames{});
        m_view.ClearSelectedFile();
        StartDetection();
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
        if (++m_nDetectAttempts == kDetectHintAttempts)
            m_view.LogMessage(Format(texts::kNoAnswerHint, PortDevicePath().c_str(),
                                     kDetectHintAttempts * protocol::kDetectIntervalMs / 1000));
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
    // The program ends: the next one may take the image folder.
    m_folderLock.Release();
}

}  // namespace cantavo
