#include "tools/handset/handset_machine.h"

#include <algorithm>
#include <numeric>

#include "tools/handset/loader_check.h"
#include "transfer/loader_table.h"
#include "transfer/protocol.h"
#include "transfer/user_area.h"

namespace cantavo::handset {
namespace p = protocol;

CHandsetMachine::CHandsetMachine(CHandsetFlash& flash, IHandsetLine& line, HandsetSettings settings,
                                 Logger log)
    : m_flash(flash), m_line(line), m_settings(settings), m_log(std::move(log)) {}

void CHandsetMachine::Reset(const char* why) {
    m_log(std::string("ready for detection: ") + why);
    m_state = State::kDetect;
    m_baud = p::kDetectBaud;
    m_pending.clear();
}

void CHandsetMachine::Answer(std::vector<uint8_t> bytes) {
    m_line.Send(bytes, m_baud);
}

bool CHandsetMachine::InjectLineFault() {
    const auto& faults = m_settings.faults;
    if (faults.dropAfter && !m_dropDone && m_received > *faults.dropAfter) {
        m_dropDone = true;
        m_log("fault: byte " + std::to_string(m_received) + " lost");
        return true;
    }
    if (faults.stallAfter && !m_stallDone && m_received > *faults.stallAfter) {
        m_stallDone = true;
        m_state = State::kStalled;
        m_log("fault: stalled after " + std::to_string(*faults.stallAfter) + " bytes");
        return true;
    }
    if (faults.hangUpAfter && !m_hangUpDone && m_received > *faults.hangUpAfter) {
        m_hangUpDone = true;
        m_log("fault: hanging up after " + std::to_string(*faults.hangUpAfter) + " bytes");
        Reset("line hung up");
        m_line.HangUp();
        return true;
    }
    return false;
}

void CHandsetMachine::Feed(uint8_t byte, uint32_t pcBaud) {
    ++m_received;
    if (InjectLineFault()) return;
    // A PC starting a new detection finds the handset ready, whatever it was doing.
    if (pcBaud == p::kDetectBaud && m_state != State::kDetect && m_state != State::kSpeedCommand)
        Reset("the PC is detecting again");
    if (m_state == State::kStalled) return;
    if (pcBaud != m_baud) {
        m_log("garbage: the PC sends at " + std::to_string(pcBaud) + " baud, the handset listens at " +
              std::to_string(m_baud));
        return;
    }
    switch (m_state) {
        case State::kDetect:
            if (byte == p::kWakeUp) {
                m_state = State::kSpeedCommand;
                m_pending.clear();
            }
            break;
        case State::kSpeedCommand:
            OnSpeedCommandByte(byte);
            break;
        case State::kLoaderFrames:
            OnLoaderByte(byte);
            break;
        case State::kLoaderRunning:
            if (byte != p::kSyncRequest) break;
            m_log("synchronisation");
            Answer({m_settings.syncAskFirst ? p::kSyncRequest : p::kSyncAnswer});
            m_state = m_settings.syncAskFirst ? State::kSyncAnswerExpected : State::kCommand;
            break;
        case State::kSyncAnswerExpected:
            if (byte == p::kSyncAnswer) m_state = State::kCommand;
            break;
        case State::kCommand:
        case State::kReading:
            OnCommandByte(byte);
            break;
        case State::kBlockHeader:
            OnBlockHeaderByte(byte);
            break;
        case State::kBlockData:
            OnBlockDataByte(byte);
            break;
        case State::kStalled:
            break;
    }
}

void CHandsetMachine::OnSpeedCommandByte(uint8_t byte) {
    if (m_pending.empty() && byte == p::kWakeUp) return;  // the PC repeats a wake-up it could not write
    m_pending.push_back(byte);
    if (m_pending.size() < p::LineSpeedCommand::kBytes) return;
    const auto command = p::LineSpeedCommand::Decode(std::span<const uint8_t, 8>(m_pending.data(), 8));
    if (!command) return Reset("bad line-speed command");
    Answer({p::kAck});
    m_baud = p::LineSpeedCommand::BaudFor(command->speedIndex);
    m_parity = command->parity;
    m_log("detected; the loader comes at " + std::to_string(m_baud) + " baud");
    m_state = State::kLoaderFrames;
    m_pending.clear();
    m_loader.clear();
    m_frames = 0;
}

void CHandsetMachine::OnLoaderByte(uint8_t byte) {
    m_pending.push_back(byte);
    const uint32_t length = m_pending[0];
    if (length > p::LoaderFrame::kMaxData || m_loader.size() + length > kLoaderImageBytes) {
        Answer({p::kNak});
        return Reset("loader frame too long");
    }
    if (m_pending.size() < length + 2) return;
    const bool checked =
        p::LoaderFrame::CheckByte(std::span(m_pending).first(length + 1)) == m_pending.back();
    if (!checked) {
        m_log("loader frame " + std::to_string(m_frames + 1) + ": bad check byte");
        m_pending.clear();
        return Answer({p::kNak});
    }
    if (length == 0) {  // the end frame: the loader starts
        m_pending.clear();
        const auto expected = m_settings.loader.empty() ? BuiltInLoaderTable().Image()
                                                        : std::span<const uint8_t>(m_settings.loader);
        const std::string problem = CheckLoader(m_loader, expected, p::LineControlWord(8, m_parity));
        if (!problem.empty()) return Reset(problem.c_str());
        ++m_connections;
        m_log("loader running (" + std::to_string(m_frames) + " frames)");
        m_state = State::kLoaderRunning;
        return;
    }
    m_loader.insert(m_loader.end(), m_pending.begin() + 1, m_pending.end() - 1);
    m_pending.clear();
    ++m_frames;
    const auto& nakEvery = m_settings.faults.nakEvery;
    if (nakEvery && *nakEvery > 0 && m_frames % *nakEvery == 0) return Answer({p::kNak, p::kAck});
    Answer({p::kAck});
}

void CHandsetMachine::OnCommandByte(uint8_t byte) {
    if (byte == p::kErase) return StartErase();
    if (byte == p::kLeave) return Reset("leave byte");
    if (byte == p::kSyncRequest) {
        m_log("user-area read");
        m_state = State::kReading;
        m_readOffset = 0;
        return;
    }
    if (byte != p::kSyncAnswer || m_state != State::kReading) return;
    Answer({m_flash.Bytes().begin() + m_readOffset,
            m_flash.Bytes().begin() + m_readOffset + p::kReadGroupBytes});
    m_readOffset += p::kReadGroupBytes;
    if (m_readOffset >= kUserAreaBytes) m_state = State::kCommand;
}

void CHandsetMachine::StartErase() {
    m_flash.Erase();
    m_state = State::kBlockHeader;
    m_pending.clear();
    m_programOffset = 0;
    m_blocksProgrammed = 0;
    if (m_settings.faults.noEraseAnswer && !m_eraseFaultDone) {
        m_eraseFaultDone = true;
        m_log("fault: erase not answered");
        return;
    }
    m_log("erase");
    m_line.Busy(m_settings.eraseMs);
    Answer({p::kEraseDone});
}

void CHandsetMachine::OnBlockHeaderByte(uint8_t byte) {
    if (m_pending.empty() && byte != p::kBlockStart) return OnCommandByte(byte);
    m_pending.push_back(byte);
    if (m_pending.size() < p::kBlockHeaderBytes) return;
    const auto header = p::BlockHeader::Decode(std::span<const uint8_t, 4>(m_pending.data(), 4));
    m_pending.clear();
    if (header->length == 0 || header->length > p::kBlockBytes || header->length % p::kBlockAlignBytes != 0) {
        m_log("block header with length " + std::to_string(header->length) + ": ignored");
        m_state = State::kCommand;
        return;
    }
    m_blockLength = header->length;
    m_blockChecksum = header->checksum;
    m_block.clear();
    m_outstanding = static_cast<int>(p::kBlockHeaderBytes);
    m_state = State::kBlockData;
    NextCreditRound();
}

// The PC writes min(window - outstanding, bytes left) and then waits for one credit byte.
void CHandsetMachine::NextCreditRound() {
    for (;;) {
        const int left = static_cast<int>(m_blockLength - m_block.size());
        const int room = std::max(0, std::min(p::kCreditWindowBytes - m_outstanding, left));
        m_roundBytes = static_cast<uint32_t>(room);
        m_planned = static_cast<uint32_t>(m_block.size()) + m_roundBytes;
        if (room > 0) return;
        // An empty write: the PC waits for credit all the same.
        const int credit = std::clamp(m_outstanding + static_cast<int>(m_settings.faults.overCredit), 0, 255);
        Answer({static_cast<uint8_t>(credit)});
        m_outstanding -= credit;
        if (m_block.size() >= m_blockLength && m_outstanding <= 0) return FinishBlock();
    }
}

void CHandsetMachine::OnBlockDataByte(uint8_t byte) {
    m_block.push_back(byte);
    if (m_block.size() < m_planned) return;
    const int owed = m_outstanding + static_cast<int>(m_roundBytes);
    const int credit = std::clamp(owed + static_cast<int>(m_settings.faults.overCredit), 0, 255);
    Answer({static_cast<uint8_t>(credit)});
    m_outstanding = owed - credit;
    if (m_block.size() >= m_blockLength && m_outstanding <= 0) return FinishBlock();
    NextCreditRound();
}

void CHandsetMachine::FinishBlock() {
    m_state = State::kBlockHeader;
    const uint32_t number = m_blocksProgrammed + 1;
    bool good = p::BlockHeader::Checksum(m_block) == m_blockChecksum;
    const auto& badChecksum = m_settings.faults.badChecksum;
    if (badChecksum && *badChecksum == number && !m_checksumFaultDone) {
        m_checksumFaultDone = true;
        m_log("fault: block " + std::to_string(number) + " answered as a checksum error");
        good = false;
    }
    if (!good || !m_flash.Write(m_programOffset, m_block)) {
        m_log("block " + std::to_string(number) + " refused");
        return Answer({p::kNak});
    }
    m_programOffset += m_blockLength;
    m_blocksProgrammed = number;
    Answer({p::kSyncAnswer});
}

}  // namespace cantavo::handset
