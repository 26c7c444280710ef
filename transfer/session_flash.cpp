// Download: erase the handset's user area and program it from the working image in credited blocks.
#include <algorithm>
#include <array>

#include "host/file_io.h"
#include "transfer/handset_session.h"
#include "transfer/protocol.h"
#include "transfer/scramble.h"
#include "transfer/session_texts.h"
#include "transfer/text_format.h"

namespace cantavo {

int CHandsetSession::OnDownload() {
    if (IsWorkerRunning()) return 0;
    const auto start = Now();
    m_view.DisableCommands();
    const int result = ProgramFlash();
    m_view.LogMessage(Format(texts::kProgrammingFinished, SecondsSince(start)));
    // The erase went out: the user must know the handset now holds less than before, and that nothing is
    // lost yet. The box stays until closed; its text is the log's last line.
    if (m_bHandsetIncomplete) {
        m_view.ShowMessageBox(texts::kDownloadIncomplete);
        m_view.LogMessage(texts::kDownloadIncomplete);
    }
    m_view.EnableCommands();
    return result;
}

int CHandsetSession::ProgramFlash() {
    if (m_bTargetDetected != 1) return 0;
    std::string error;
    const auto image = ReadFileBytes(m_workFile, error);
    if (!image) {
        m_view.LogMessage(error);
        return 0;
    }
    m_view.LogMessage(texts::kTransferring);
    m_bHandsetIncomplete = true;
    SendByte(protocol::kErase);
    // Other bytes do not put the time-out back: the erase has its 10 s, whatever the line brings meanwhile.
    const auto deadline = Now() + std::chrono::milliseconds(protocol::kEraseTimeoutMs);
    uint8_t answer = 0;
    bool erased = false;
    while (!erased && ReadByteTimeout(MillisecondsUntil(deadline), answer) == 1)
        erased = answer == protocol::kEraseDone;
    int result = 0;
    if (erased) {
        m_view.LogMessage(texts::kEraseComplete);
        if (SendFileBlocks(*image) == 0) {
            m_view.ShowNotification(texts::kFlashWritingError);
            return 0;
        }
        m_view.LogMessage(texts::kWriteSuccess);
        SetProgress(0);
        m_bHandsetIncomplete = false;
        result = 1;
    } else {
        m_view.LogMessage(texts::kEraseNoAnswer);
    }
    m_bConnectStarted = 1;
    m_view.EnableConnect(true);
    return result;
}

int CHandsetSession::SendFileBlocks(std::span<const uint8_t> image) {
    const size_t total = image.size();
    size_t sent = 0;
    size_t position = 0;
    SetProgress(0);
    std::array<uint8_t, protocol::kBlockBytes> buffer{};
    while (position < total) {
        const size_t read = std::min<size_t>(buffer.size(), total - position);
        std::copy_n(image.begin() + position, read, buffer.begin());
        std::fill(buffer.begin() + read, buffer.end(), 0);
        position += read;
        // Padded with the zeros just written to a multiple of 4.
        const size_t count =
            (read + protocol::kBlockAlignBytes - 1) / protocol::kBlockAlignBytes * protocol::kBlockAlignBytes;
        sent = std::min(sent + count, total);
        if (SendBlock(buffer.data(), static_cast<uint32_t>(count)) == 0) {
            m_view.LogMessage(texts::kSendBlockError);
            return 0;
        }
        m_nProgress = static_cast<int>(sent * 100 / total);
        SetProgress(m_nProgress);
        m_view.SetTitle(Format(texts::kTitleProcessing, m_nProgress));
        if (sent >= total) break;
    }
    m_view.SetTitle(texts::kTitleResting);
    SetProgress(0);
    return 1;
}

int CHandsetSession::SendBlock(uint8_t* buffer, uint32_t length) {
    ScrambleBytes(buffer, length);
    const protocol::BlockHeader header{static_cast<uint16_t>(length),
                                       protocol::BlockHeader::Checksum(std::span(buffer, length))};
    // A header byte that did not go out leaves the loader reading the data as header: the block has failed,
    // whatever the line answers.
    for (uint8_t byte : header.Encode())
        if (SendByte(byte) == 0) return 0;
    // Bytes on the line the loader has not yet credited; a generous loader can drive it negative.
    int outstanding = static_cast<int>(protocol::kBlockHeaderBytes);
    uint32_t offset = 0;
    int idleRounds = 0;  // rounds that sent nothing: a loader that frees nothing must not hold the block
    do {
        const int room =
            std::min(protocol::kCreditWindowBytes - outstanding, static_cast<int>(length - offset));
        const uint32_t written =
            room > 0 ? m_serial.WriteComm(buffer + offset, static_cast<uint32_t>(room)) : 0;
        outstanding += static_cast<int>(written);
        uint8_t credit = 0;
        if (ReadByteTimeout(protocol::kCreditTimeoutMs, credit) == 0 ||
            (written == 0 && ++idleRounds > protocol::kSkippedBytesLimit)) {
            m_view.LogMessage(texts::kFlashWritingErrorLog);
            m_view.SetTitle(texts::kTitleFlashError);
            return 0;
        }
        outstanding -= credit;
        offset += written;
    } while (offset < length || outstanding > 0);
    m_nProgress = 0;
    uint8_t done = 0;
    return ReadByteTimeout(protocol::kBlockDoneTimeoutMs, done) == 1 && done == protocol::kSyncAnswer ? 1 : 0;
}

}  // namespace cantavo
