#pragma once
// The handset's side of the protocol as a state machine fed one received byte at a time: detection at 2400
// baud, the loader frames, synchronisation, the user-area read, erase and credited block programming, the
// leave byte. It checks what a real handset would and answers through an IHandsetLine; faults for tests are
// options.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/handset/handset_flash.h"

namespace cantavo::handset {

// Fault injection; each fault happens once per run (so the PC can recover by connecting again).
struct HandsetFaults {
    std::optional<uint64_t> dropAfter;    // the byte received after N bytes is lost
    std::optional<uint32_t> nakEvery;     // every Nth loader frame is answered NAK (then ACK)
    std::optional<uint64_t> stallAfter;   // after N received bytes, silent until the next detection
    std::optional<uint32_t> badChecksum;  // block N (1-based) is answered as if its checksum were wrong
    bool noEraseAnswer = false;           // the first erase is never answered
    uint32_t overCredit = 0;              // every credit byte grants this many bytes too many
    std::optional<uint64_t> hangUpAfter;  // after N received bytes, the line is hung up
};

struct HandsetSettings {
    std::vector<uint8_t> loader;  // the loader image it runs; empty: the built-in placeholder
    uint32_t eraseMs = 300;       // time the erase takes before 0xDD
    bool syncAskFirst = false;    // answer the PC's 0xAA with 0xAA (the loader asks too) and expect 0x99
    HandsetFaults faults;
};

// What the machine does to the line.
class IHandsetLine {
public:
    virtual ~IHandsetLine() = default;
    virtual void Send(std::span<const uint8_t> bytes, uint32_t baud) = 0;  // at the handset's line speed
    virtual void Busy(uint32_t milliseconds) = 0;  // the handset works (erase) before its next answer
    virtual void HangUp() = 0;
};

class CHandsetMachine {
public:
    using Logger = std::function<void(const std::string&)>;

    CHandsetMachine(CHandsetFlash& flash, IHandsetLine& line, HandsetSettings settings, Logger log);

    // One byte from the PC, with the line speed the PC's end is set to.
    void Feed(uint8_t byte, uint32_t pcBaud);

    uint32_t Baud() const { return m_baud; }
    uint32_t BlocksProgrammed() const { return m_blocksProgrammed; }
    int Connections() const { return m_connections; }  // loaders started

private:
    enum class State {
        kDetect,
        kSpeedCommand,
        kLoaderFrames,
        kLoaderRunning,
        kSyncAnswerExpected,
        kCommand,
        kReading,
        kBlockHeader,
        kBlockData,
        kStalled,
    };

    void Reset(const char* why);
    void Answer(std::vector<uint8_t> bytes);
    void OnSpeedCommandByte(uint8_t byte);
    void OnLoaderByte(uint8_t byte);
    void OnCommandByte(uint8_t byte);
    void OnBlockHeaderByte(uint8_t byte);
    void OnBlockDataByte(uint8_t byte);
    void StartErase();
    void NextCreditRound();
    void FinishBlock();
    bool InjectLineFault();

    CHandsetFlash& m_flash;
    IHandsetLine& m_line;
    HandsetSettings m_settings;
    Logger m_log;

    State m_state = State::kDetect;
    uint32_t m_baud = 2400;
    uint8_t m_parity = 0;
    uint64_t m_received = 0;
    bool m_dropDone = false, m_stallDone = false, m_hangUpDone = false, m_eraseFaultDone = false,
         m_checksumFaultDone = false;
    int m_connections = 0;

    std::vector<uint8_t> m_pending;  // bytes of the command, frame or header being received
    std::vector<uint8_t> m_loader;
    uint32_t m_frames = 0;
    uint32_t m_readOffset = 0;

    // Block programming: the handset mirrors the PC's credit arithmetic to know each write's size.
    uint32_t m_programOffset = 0;
    uint32_t m_blocksProgrammed = 0;
    uint32_t m_blockLength = 0;
    uint8_t m_blockChecksum = 0;
    std::vector<uint8_t> m_block;
    int m_outstanding = 0;   // bytes the PC believes are not yet credited
    uint32_t m_planned = 0;  // data bytes the PC has sent or is sending in this round
    uint32_t m_roundBytes = 0;
};

}  // namespace cantavo::handset
