// The byte-level exchange with the handset, detection, the loader download and the completion of a
// connection.
#include <algorithm>
#include <array>
#include <cstring>

#include "host/file_owner.h"
#include "transfer/handset_session.h"
#include "transfer/protocol.h"
#include "transfer/session_texts.h"
#include "transfer/text_format.h"

namespace cantavo {
namespace {

// The group a user joins to open serial devices on Debian, named when the device's own cannot be found.
constexpr char kSerialDeviceGroup[] = "dialout";

void PutWord(uint8_t* bytes, uint32_t word) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(word >> (8 * i));
}

}  // namespace

int CHandsetSession::SendByte(uint8_t value) {
    return static_cast<int>(m_serial.WriteComm(&value, 1));
}

int CHandsetSession::ReadByteTimeout(int milliseconds, uint8_t& byte) {
    return ReadBytesTimeout(milliseconds, std::span(&byte, 1)) == 1 ? 1 : 0;
}

size_t CHandsetSession::ReadBytesTimeout(int milliseconds, std::span<uint8_t> bytes) {
    if (m_bCancel) return 0;
    const auto wanted = static_cast<uint32_t>(bytes.size());
    uint32_t count = 0;
    const auto timeout = std::chrono::milliseconds(milliseconds);
    auto deadline = Now() + timeout;
    // Sleep in the driver until the bytes are queued instead of polling the clock; each byte read gives the
    // next one its full time.
    while (count < wanted && m_serial.WaitForInput(deadline, wanted - count)) {
        const uint32_t got = m_serial.ReadComm(bytes.data() + count, wanted - count);
        count += got;
        if (got > 0) deadline = Now() + timeout;
    }
    if (count < wanted) count += m_serial.ReadComm(bytes.data() + count, wanted - count);
    return count;
}

int CHandsetSession::WaitForAck() {
    for (int naks = 0; naks <= protocol::kSkippedBytesLimit; ++naks) {
        uint8_t answer = 0;
        if (ReadByteTimeout(protocol::kAckTimeoutMs, answer) == 0) return 0;
        if (answer == protocol::kAck) return 1;
        if (answer != protocol::kNak) return 0;
    }
    return 0;
}

void CHandsetSession::ReportOpenFailure() {
    const std::string& device = m_serial.DevicePath();
    switch (m_serial.LastFailure()) {
        case OpenFailure::kPermission: {
            const std::string group = OwningGroup(device).value_or(kSerialDeviceGroup);
            m_view.LogMessage(Format(texts::kPermissionHint, device.c_str(), group.c_str(), group.c_str()));
            break;
        }
        case OpenFailure::kBusy:
            m_view.LogMessage(Format(texts::kPortBusy, device.c_str()));
            break;
        case OpenFailure::kNone:
            break;
        default:
            m_view.LogMessage(
                Format(texts::kOpenDeviceFailed, device.c_str(), m_serial.LastErrorText().c_str()));
    }
}

int CHandsetSession::InitSerialPort(uint32_t baud) {
    if (m_serial.IsOpen()) m_serial.ClosePort();
    if (m_serial.OpenPort(PortDevicePath(), baud) == 0) {
        if (m_serial.LastFailure() == OpenFailure::kLineFormatRefused) m_view.ShowMessageBox(texts::kFail);
        m_view.LogMessage(texts::kPortInitFailed);
        ReportOpenFailure();
        m_bPortOpen = 0;
        return 0;
    }
    m_bPortOpen = 1;
    if (m_serial.SetLineFormat(baud, m_nByteSize, m_nParity, m_nStopBits) == 0) {
        m_view.ShowNotification(texts::kSerialInitError);
        return 0;
    }
    return 1;
}

int CHandsetSession::DetectTarget() {
    int attempts = 0;
    while (SendByte(protocol::kWakeUp) == 0)
        if (++attempts >= protocol::kWakeUpAttempts) return 0;
    const protocol::LineSpeedCommand command{protocol::LineSpeedCommand::SpeedIndexFor(m_nBaudRate),
                                             m_nParity, m_nStopBits};
    const auto bytes = command.Encode();
    if (m_serial.WriteComm(bytes.data(), bytes.size()) < bytes.size()) return 0;
    return WaitForAck();
}

int CHandsetSession::DownloadLoader() {
    m_serial.SetLineFormat(m_nBaudRate, 8, 0, 0);
    m_view.LogMessage(texts::kConnecting);
    const auto start = Now();
    const auto& image = m_loader.images[m_nTargetType];
    const uint32_t size = std::min(m_loader.sizes[m_nTargetType], kLoaderImageBytes);
    if (size < kLoaderFirstFrameBytes) return 0;

    std::array<uint8_t, protocol::LoaderFrame::kMaxData> chunk{};
    std::copy_n(image.begin(), chunk.size(), chunk.begin());
    PutWord(&chunk[protocol::kLoaderParamOffset], protocol::LoaderModeWord(m_byLoaderMode));
    PutWord(&chunk[protocol::kLoaderParamOffset + 4], protocol::kLoaderHeaderConstant);
    PutWord(&chunk[protocol::kLoaderParamOffset + 8], protocol::LineControlWord(m_nByteSize, m_nParity));
    uint32_t sent = kLoaderFirstFrameBytes;
    uint32_t length = kLoaderFirstFrameBytes;
    for (;;) {
        const auto frame = protocol::LoaderFrame::Encode(std::span(chunk).first(length));
        if (m_serial.WriteComm(frame.data(), static_cast<uint32_t>(frame.size())) < frame.size()) return 0;
        if (WaitForAck() == 0) {
            m_view.SetTitle(texts::kTitleResting);
            return 0;
        }
        length = std::min<uint32_t>(protocol::LoaderFrame::kMaxData, size - sent);
        std::copy_n(image.begin() + sent, length, chunk.begin());
        m_nProgress = static_cast<int>(sent * 100u / size);
        if (!m_view.IsMinimised()) SetProgress(m_nProgress);
        m_view.SetTitle(texts::kTitleConnecting);
        sent += length;
        if (length == 0) break;
    }
    m_nProgress = 0;
    SetProgress(0);
    m_view.LogMessage(texts::kConnectedCompletely);
    m_view.SetTitle(texts::kTitleResting);
    const auto endFrame = protocol::LoaderFrame::Encode({});
    if (m_serial.WriteComm(endFrame.data(), static_cast<uint32_t>(endFrame.size())) < endFrame.size())
        return 0;
    m_view.LogMessage(Format(texts::kLoaderDone, SecondsSince(start)));
    return 1;
}

int CHandsetSession::CompleteConnection() {
    if (InitSerialPort(m_nBaudRate) == 0) {
        m_view.ShowNotification(texts::kFailSettingBaud);
        m_view.LogMessage(texts::kFailSettingBaud);
        return 0;
    }
    if (Synchronize() == 0) {
        m_view.ShowNotification(texts::kSyncFailed);
        m_view.LogMessage(texts::kSyncFailed);
        return 0;
    }
    if (ReadUserArea() == 0 || CopyImage() == 0) return 0;
    ShowSlotNames();
    m_view.SetTitle(texts::kTitleResting);
    m_bConnectStarted = 1;
    m_bConnected = true;
    EndWorkerUse();
    m_view.EnableCommands();
    return 1;
}

int CHandsetSession::Synchronize() {
    if (SendByte(protocol::kSyncRequest) == 0) return 0;
    uint8_t answer = 0;
    int skipped = 0;
    do {
        if (ReadByteTimeout(protocol::kSyncTimeoutMs, answer) == 0) return 0;
    } while (answer != protocol::kSyncAnswer && answer != protocol::kSyncRequest &&
             ++skipped <= protocol::kSkippedBytesLimit);
    if (answer == protocol::kSyncAnswer) return 1;
    if (answer != protocol::kSyncRequest) return 0;
    // The loader asked first: answer it.
    return SendByte(protocol::kSyncAnswer);
}

void CHandsetSession::AbortConnection() {
    m_view.LogMessage(texts::kProgramTerminated);
    m_view.LogMessage(texts::kSeparator);
    CloseConnection();
}

}  // namespace cantavo
