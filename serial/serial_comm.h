#pragma once
// CSerialComm: the one serial port to the handset, raw 8N1 over termios.
//
// No protocol knowledge: it opens, sets the line format, writes until the driver has taken the bytes and
// reads what has already arrived without waiting. The protocol polls it, sleeping in WaitForInput until the
// bytes it expects are there.

#include <array>
#include <cstdint>
#include <string>

#include "serial/serial_port.h"

namespace cantavo {

class CSerialComm final : public ISerialPort {
public:
    CSerialComm() = default;
    ~CSerialComm() override;
    CSerialComm(const CSerialComm&) = delete;
    CSerialComm& operator=(const CSerialComm&) = delete;

    void SetPortMap(PortMap map) { m_portMap = std::move(map); }
    // "COM%d" through the port map, or /dev/ttyS(port-1).
    std::string DeviceForPort(uint16_t port) const;

    // Opens "COM<port>" (through the map) or a device path, exclusively, raw 8N1 at `baud`, and purges input.
    int OpenPort(uint16_t port, uint32_t baud);
    int OpenPort(const std::string& device, uint32_t baud) override;
    int ClosePort() override;

    uint32_t WriteComm(const uint8_t* buffer, uint32_t count) override;
    uint32_t ReadComm(uint8_t* buffer, uint32_t maximum) override;
    bool WaitForInput(Clock::time_point deadline, uint32_t expected) override;
    int SetLineFormat(uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits) override;

    bool IsOpen() const override { return m_bConnected != 0; }
    const std::string& PortName() const { return m_strPortName; }
    const std::string& DevicePath() const override { return m_strDevice; }
    OpenFailure LastFailure() const override { return m_lastFailure; }
    const std::string& LastErrorText() const override { return m_strLastError; }
    uint64_t BytesWritten() const override { return m_nBytesWritten; }
    uint64_t BytesRead() const override { return m_nBytesRead; }
    Clock::time_point Now() const override { return Clock::now(); }

    int m_bConnected = 0;

private:
    bool PollInput(Clock::time_point deadline);  // until input is queued in the driver
    void ReadAhead();                            // what the driver holds, into m_input
    void Fail(OpenFailure failure, int error);
    void Release();
    void PurgeInput();
    Clock::duration LineTime(size_t bytes) const;  // bytes on the line at m_nBaud (non-zero)

    int m_fd = -1;
    std::string m_strPortName;
    std::string m_strDevice;
    uint16_t m_wPortNumber = 0;
    uint32_t m_nBaud = 0;
    PortMap m_portMap;
    OpenFailure m_lastFailure = OpenFailure::kNone;
    std::string m_strLastError;
    uint64_t m_nBytesWritten = 0;
    uint64_t m_nBytesRead = 0;
    std::array<uint8_t, 256> m_input{};
    size_t m_inputBegin = 0;
    size_t m_inputEnd = 0;
    // Set once an answer was seen arriving in parts; then the time our last write is off the line, and how
    // much later than the line allows the far end's answers are usually whole.
    bool m_bLinePaced = false;
    Clock::time_point m_lineFreeAt{};
    Clock::duration m_answerLag{};
};

}  // namespace cantavo
